// ESLint's recommended rules over the viewer's modules, its Node tools and
// the browser tests; web/run.sh lint runs it from the repository's root.
import js from '@eslint/js';
import globals from 'globals';

export default [
  js.configs.recommended,
  {
    files: ['web/*.js'],
    languageOptions: { globals: { ...globals.browser, ...globals.worker } },
  },
  {
    files: ['web/tools/*.mjs', 'tests/web/*.mjs', 'tests/package/*.mjs', 'web/eslint.config.js'],
    // The tests hand functions to the page, where the browser's names hold.
    languageOptions: { globals: { ...globals.node, ...globals.browser } },
  },
];
