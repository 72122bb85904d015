'use strict';
// Reads a LeakSanitizer report and sorts its leaks by where they were made:
// "own" when the first frame outside the allocator, the C and C++ runtimes and
// inlined standard-library templates lies in the repository's native/ or
// engine/ sources; "host" when it lies in node; "unknown" when the stack ends
// before any such frame. Leaks of the host are not ours to judge; unknown ones
// are counted with ours, to be safe.
//
//   node lsan_report.js <report-file>       prints, as JSON:
//   { "bytes": n, "objects": n, "hostBytes": n, "leaks": [{ kind, bytes, objects, site, frames }] }
// where bytes and objects add up the own and unknown leaks.
const fs = require('fs');
const path = require('path');

const repoRoot = path.resolve(__dirname, '..', '..', '..');
const ownSources = ['native', 'engine'].map((dir) => path.join(repoRoot, dir) + path.sep);

const HEADER = /^(Direct|Indirect) leak of (\d+) byte\(s\) in (\d+) object\(s\) allocated from:/;
const FRAME = /^\s+#(\d+) 0x[0-9a-f]+ in (.*?) (\S+)$/;

// Frames that only pass the allocation on: the allocator, the runtimes and
// standard-library templates inlined into the caller.
function isPassThrough(fn, location) {
  if (/^(operator new|operator delete|malloc|calloc|realloc|posix_memalign|aligned_alloc|strdup)\b/.test(fn)) return true;
  if (location.startsWith('/usr/include/') || location.startsWith('../../../../src/libsanitizer/')) return true;
  return /lib(asan|stdc\+\+|c|gcc_s|m)[.-]/.test(location) || /^\(?\/lib|^\(\/usr\/lib/.test(location);
}

function parse(text) {
  const leaks = [];
  let current = null;
  for (const line of text.split('\n')) {
    const header = HEADER.exec(line);
    if (header) {
      current = { kind: header[1], bytes: Number(header[2]), objects: Number(header[3]), frames: [] };
      leaks.push(current);
      continue;
    }
    const frame = current && FRAME.exec(line);
    if (frame) current.frames.push({ fn: frame[2], location: frame[3] });
    else if (line.trim() === '') current = null;
  }
  return leaks;
}

// The frame that made the allocation: the first one that is not a pass-through.
function allocationSite(leak) {
  return leak.frames.find((f) => !isPassThrough(f.fn, f.location)) || null;
}

function origin(leak) {
  const site = allocationSite(leak);
  if (site === null) return 'unknown';
  return ownSources.some((dir) => site.location.startsWith(dir)) ? 'own' : 'host';
}

function projectLeaks(text) {
  const all = parse(text);
  const ours = all.filter((l) => origin(l) !== 'host');
  const sum = (list, key) => list.reduce((total, l) => total + l[key], 0);
  return {
    bytes: sum(ours, 'bytes'),
    objects: sum(ours, 'objects'),
    hostBytes: sum(all, 'bytes') - sum(ours, 'bytes'),
    leaks: ours.map((l) => {
      const site = allocationSite(l);
      return { kind: l.kind, bytes: l.bytes, objects: l.objects,
        site: site ? `${site.fn} ${path.relative(repoRoot, site.location)}` : 'unknown (stack cut short)',
        frames: l.frames.slice(0, 12).map((f) => `${f.fn} ${f.location}`) };
    }),
  };
}

module.exports = { parse, projectLeaks };

if (require.main === module) {
  process.stdout.write(JSON.stringify(projectLeaks(fs.readFileSync(process.argv[2], 'utf8')), null, 1) + '\n');
}
