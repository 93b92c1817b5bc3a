// What the browser test suites share: their result lines ("pass web: NAME" or
// "fail web: NAME: reason") and running a table of tests on one page.
let failures = 0;

export function report(name, error) {
  if (error) failures++;
  const reason = `${error?.message ?? error}`.replace(/\s+/g, ' ').trim();
  console.log(error ? `fail web: ${name}: ${reason}` : `pass web: ${name}`);
}

export function check(condition, message) {
  if (!condition) throw new Error(message);
}

// Runs each test of `tests` (name -> async (page) => ...) and reports it.
export async function runTests(tests, page) {
  for (const [name, test] of Object.entries(tests)) {
    try {
      await test(page);
      report(name);
    } catch (error) {
      report(name, error);
    }
  }
}

export const failed = () => failures > 0;
