// The engine's codes that web/engine.js carries, against the C headers they
// come from. No browser: it reads the headers and imports the module.
//   node constants_test.mjs WEB_BUILD_DIR KALRENDER
import fs from 'node:fs';

const { results, check } = await import(new URL('../../web/tools/browser.mjs', import.meta.url));
const { BOUND, CURSORS, KN, PIXEL_ORDER, VALUE } = await import(new URL('../../web/engine.js', import.meta.url));
const read = (file) => fs.readFileSync(new URL(`../../${file}`, import.meta.url), 'utf8');

// `#define PREFIX_NAME value` lines of a header, as { NAME: value }.
function defines(text, prefix) {
  const out = {};
  for (const [, name, value] of text.matchAll(new RegExp(`^#define ${prefix}(\\w+)\\s+(\\d+)`, 'gm')))
    out[name] = Number(value);
  return out;
}

// The members of a C++ enum, in order, with their values when given.
function enumMembers(text, name) {
  const body = new RegExp(`enum (?:class )?${name}\\s*\\{([^}]*)\\}`).exec(text)?.[1] ?? '';
  let next = 0;
  return body
    .replace(/\/\/.*$/gm, '')
    .split(',')
    .map((part) => part.trim())
    .filter(Boolean)
    .map((part) => {
      const [member, value] = part.split('=').map((s) => s.trim());
      next = value === undefined ? next : Number(value);
      return [member, next++];
    });
}

const same = (js, c, what) => {
  for (const [name, value] of Object.entries(js))
    check(c[name] === value, `${what}${name} is ${value} here, ${c[name]} in C`);
};

try {
  const engine = read('engine/core/kalengine.h');
  same(VALUE, defines(engine, 'KAL_VALUE_'), 'KAL_VALUE_');
  same(BOUND, defines(engine, 'KAL_BOUND_'), 'KAL_BOUND_');
  same(KN, defines(engine, 'KN_'), 'KN_');
  const cursors = enumMembers(read('engine/navigation/navigation_controller.h'), 'NavigationCursor');
  check(
    cursors.length === CURSORS.length &&
      cursors.at(-1)[0] === 'point' &&
      CURSORS.at(-1) === 'pointer' &&
      cursors[1][0] === 'noMove' &&
      CURSORS[1] === 'move',
    `cursors: ${cursors.map(([n]) => n)} against ${CURSORS}`,
  );
  const order = Object.fromEntries(enumMembers(read('web/src/pixel_rows.h'), 'PixelOrder'));
  check(
    order.kBlueFirst === PIXEL_ORDER.BLUE_FIRST && order.kNoAlpha === PIXEL_ORDER.NO_ALPHA,
    `PixelOrder ${JSON.stringify(order)}`,
  );
  results.report("the engine codes in engine.js are the headers' own");
} catch (error) {
  results.report("the engine codes in engine.js are the headers' own", error);
}
process.exit(results.failures ? 1 : 0);
