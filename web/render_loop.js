// The shell's one owner of animation frames: whatever moves the view only
// asks for a frame; each frame steps what animates by the elapsed time,
// then draws once.

// A longer gap between frames (a hidden tab) counts as this long, so that a
// stalled page resumes where it was rather than jumping.
const MAX_STEP_SECONDS = 0.1;

export class RenderLoop {
  // `draw(seconds)` paints what changed and returns true while something
  // still moves; `guard` wraps the frame so that nothing it throws escapes.
  constructor(draw, guard = (f) => f) {
    this.draw = draw;
    this.tick = guard((time) => this.frame(time));
    this.id = 0;
    this.last = 0;
    this.steps = new Set(); // step(seconds) before each draw; false: done
    this.after = []; // callbacks once, after the next draw
    this.stopped = false;
  }

  get pending() {
    return this.id !== 0;
  }

  request() {
    if (!this.id && !this.stopped) this.id = requestAnimationFrame(this.tick);
  }

  // Runs `step(seconds)` every frame until it returns false or the returned
  // function is called.
  animate(step) {
    this.steps.add(step);
    this.request();
    return () => this.steps.delete(step);
  }

  // Runs `callback` once, after the next frame's draw.
  afterDraw(callback) {
    this.after.push(callback);
    this.request();
  }

  // Resolves after the next paint, or after a short wait where no frames come
  // (a hidden tab, a destroyed viewer), so that a message set before a long
  // task is seen.
  afterPaint() {
    return new Promise((done) => {
      const timer = setTimeout(done, 100);
      this.afterDraw(() =>
        setTimeout(() => {
          clearTimeout(timer);
          done();
        }, 0),
      );
    });
  }

  frame(time) {
    this.id = 0;
    if (this.stopped) return;
    const seconds = this.last ? Math.min(MAX_STEP_SECONDS, (time - this.last) / 1000) : 0;
    this.last = time;
    for (const step of [...this.steps]) if (step(seconds) === false) this.steps.delete(step);
    const after = this.after;
    this.after = [];
    const moving = this.draw(seconds);
    for (const callback of after) callback();
    if (moving || this.steps.size) this.request();
    if (!this.id) this.last = 0;
  }

  // Cancels the frame asked for; nothing asks again.
  destroy() {
    this.stopped = true;
    cancelAnimationFrame(this.id);
    this.id = 0;
    this.steps.clear();
    this.after = [];
  }
}
