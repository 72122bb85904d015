// Declarations of the ES module entry (lib/index.mjs): the same names as the
// CommonJS entry, and the whole entry as the default export.
export * from './index.js';
import * as entry from './index.js';
export default entry;
