// The render worker's second core on a cross-origin isolated page: a second
// instance of the module over the render worker's shared memory, which draws
// the rows of the frames it is given (never anything else) and says when.
import { Engine, Session } from './engine.js';
import { SLOT } from './row_shares.js';

self.onmessage = async ({ data: { module, memory, control, stackTop } }) => {
  let engine;
  try {
    engine = await Engine.join(module, memory, stackTop);
  } catch {
    Atomics.store(control, SLOT.READY, -1);
    return;
  }
  Atomics.store(control, SLOT.READY, 1);
  // Blocks here between jobs: the render worker ends this worker with its own.
  for (let done = 0; ;) {
    Atomics.wait(control, SLOT.JOB, done);
    done = Atomics.load(control, SLOT.JOB);
    let drawn = false;
    try {
      const session = new Session(engine, Atomics.load(control, SLOT.SESSION));
      const [smooth, first, end] = [SLOT.SMOOTH, SLOT.FIRST, SLOT.END].map((slot) => Atomics.load(control, slot));
      drawn = session.drawRows(smooth === 1, first, end) !== null;
    } catch {
      // Not drawn: the render worker gives up on the rows.
    }
    Atomics.store(control, SLOT.DRAWN, drawn ? 1 : 0);
    Atomics.store(control, SLOT.DONE, done);
    Atomics.notify(control, SLOT.DONE);
  }
};
