// The render worker's and its helper's shared word block: which rows the
// helper draws for the frame asked, and its answer. The render worker posts
// a job and waits, so the helper draws only while the render worker does
// nothing but its own share.
export const SLOT = {
  JOB: 0, // jobs posted, the number of the newest
  DONE: 1, // the number of the last job finished
  SESSION: 2,
  SMOOTH: 3,
  FIRST: 4,
  END: 5,
  DRAWN: 6, // 1: the helper drew its rows
  READY: 7, // 1: the helper takes jobs; -1: it failed to start
};
export const SLOTS = 8;
