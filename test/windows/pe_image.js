'use strict';
// Reads what a Windows x86-64 DLL (PE32+) offers and needs: its exports, its
// load-time imports and its delay-load imports, each import with its function names.
// Plain JavaScript over the file's bytes, so the same check runs on Linux against a
// cross build and under a Windows Node.js.
//
// GNU ld links the delay-load descriptors that dlltool makes but leaves the
// "delay import" data directory entry empty, so the descriptors are also found
// through the COFF symbols dlltool gives them (__DELAY_IMPORT_DESCRIPTOR_<library>).
const fs = require('fs');

const DIR_EXPORT = 0;
const DIR_IMPORT = 1;
const DIR_DELAY_IMPORT = 13;
const DELAY_DESCRIPTOR_SYMBOL = '__DELAY_IMPORT_DESCRIPTOR_';

function isPeFile(file) {
  const fd = fs.openSync(file, 'r');
  try {
    const head = Buffer.alloc(2);
    return fs.readSync(fd, head, 0, 2, 0) === 2 && head.toString('latin1') === 'MZ';
  } finally {
    fs.closeSync(fd);
  }
}

class PeImage {
  constructor(file) {
    this.file = file;
    this.buf = fs.readFileSync(file);
    this.parseHeaders();
  }

  parseHeaders() {
    const b = this.buf;
    if (b.toString('latin1', 0, 2) !== 'MZ') throw new Error(`${this.file}: not a PE file`);
    const pe = b.readUInt32LE(0x3c);
    if (b.toString('latin1', pe, pe + 4) !== 'PE\0\0') throw new Error(`${this.file}: no PE signature`);
    const coff = pe + 4;
    this.machine = b.readUInt16LE(coff);
    const sectionCount = b.readUInt16LE(coff + 2);
    this.symbolTable = b.readUInt32LE(coff + 8);
    this.symbolCount = b.readUInt32LE(coff + 12);
    const optionalSize = b.readUInt16LE(coff + 16);
    this.characteristics = b.readUInt16LE(coff + 18);
    const opt = coff + 20;
    this.magic = b.readUInt16LE(opt);
    if (this.magic !== 0x20b) throw new Error(`${this.file}: not a PE32+ (64-bit) image`);
    this.imageBase = b.readBigUInt64LE(opt + 24);
    const dirCount = b.readUInt32LE(opt + 108);
    this.directories = [];
    for (let i = 0; i < dirCount; i++) {
      this.directories.push({ rva: b.readUInt32LE(opt + 112 + 8 * i), size: b.readUInt32LE(opt + 116 + 8 * i) });
    }
    this.sections = [];
    for (let i = 0, at = opt + optionalSize; i < sectionCount; i++, at += 40) {
      this.sections.push({
        name: b.toString('latin1', at, at + 8).replace(/\0+$/, ''),
        virtualSize: b.readUInt32LE(at + 8),
        rva: b.readUInt32LE(at + 12),
        rawSize: b.readUInt32LE(at + 16),
        rawOffset: b.readUInt32LE(at + 20),
      });
    }
  }

  get isDll() {
    return (this.characteristics & 0x2000) !== 0;
  }

  sectionOfRva(rva) {
    return this.sections.find((s) => rva >= s.rva && rva < s.rva + Math.max(s.virtualSize, s.rawSize));
  }

  offsetOf(rva) {
    const s = this.sectionOfRva(rva);
    if (!s || rva - s.rva >= s.rawSize) throw new Error(`${this.file}: RVA 0x${rva.toString(16)} has no file data`);
    return s.rawOffset + (rva - s.rva);
  }

  u32(rva) {
    return this.buf.readUInt32LE(this.offsetOf(rva));
  }

  u64(rva) {
    return this.buf.readBigUInt64LE(this.offsetOf(rva));
  }

  cString(rva) {
    const start = this.offsetOf(rva);
    const end = this.buf.indexOf(0, start);
    if (end < 0) throw new Error(`${this.file}: unterminated string at RVA 0x${rva.toString(16)}`);
    return this.buf.toString('latin1', start, end);
  }

  directory(index) {
    const d = this.directories[index];
    return d && d.rva !== 0 ? d : null;
  }

  /** Names exported by the image. */
  exports() {
    const d = this.directory(DIR_EXPORT);
    if (!d) return [];
    const nameCount = this.u32(d.rva + 24);
    const names = this.u32(d.rva + 32);
    const out = [];
    for (let i = 0; i < nameCount; i++) out.push(this.cString(this.u32(names + 4 * i)));
    return out;
  }

  /** Function names of an import name table (64-bit entries; ordinals as '#n'). */
  importNames(tableRva) {
    const names = [];
    for (let at = tableRva; ; at += 8) {
      const entry = this.u64(at);
      if (entry === 0n) break;
      if (entry & (1n << 63n)) names.push(`#${Number(entry & 0xffffn)}`);
      else names.push(this.cString(Number(entry & 0x7fffffffn) + 2));
    }
    return names;
  }

  /** Load-time imports: [{ dll, functions }]. */
  imports() {
    const d = this.directory(DIR_IMPORT);
    if (!d) return [];
    const out = [];
    for (let at = d.rva; ; at += 20) {
      const lookup = this.u32(at);
      const nameRva = this.u32(at + 12);
      const iat = this.u32(at + 16);
      if (lookup === 0 && nameRva === 0 && iat === 0) break;
      out.push({ dll: this.cString(nameRva), functions: this.importNames(lookup || iat) });
    }
    return out;
  }

  /** Delay-load imports: [{ dll, functions }]. */
  delayImports() {
    const d = this.directory(DIR_DELAY_IMPORT);
    const descriptors = d ? this.descriptorTable(d.rva) : this.symbols()
      .filter((s) => s.name.startsWith(DELAY_DESCRIPTOR_SYMBOL) && s.section)
      .map((s) => s.section.rva + s.value);
    return descriptors.map((rva) => this.delayDescriptor(rva));
  }

  descriptorTable(rva) {
    const out = [];
    for (let at = rva; this.u32(at + 4) !== 0; at += 32) out.push(at);
    return out;
  }

  delayDescriptor(rva) {
    const attributes = this.u32(rva);
    // Attribute bit 0 set: the fields are RVAs (every current linker); else addresses.
    const toRva = (v) => (attributes & 1 ? v : Number(BigInt(v) - this.imageBase));
    return {
      dll: this.cString(toRva(this.u32(rva + 4))),
      functions: this.importNames(toRva(this.u32(rva + 16))),
    };
  }

  /** COFF symbols left in the image: [{ name, value, section }]. */
  symbols() {
    if (this.symbolTable === 0 || this.symbolCount === 0) return [];
    const b = this.buf;
    const strings = this.symbolTable + 18 * this.symbolCount;
    const out = [];
    for (let i = 0; i < this.symbolCount; i++) {
      const at = this.symbolTable + 18 * i;
      let name;
      if (b.readUInt32LE(at) === 0) {
        const start = strings + b.readUInt32LE(at + 4);
        name = b.toString('latin1', start, b.indexOf(0, start));
      } else {
        name = b.toString('latin1', at, at + 8).replace(/\0+$/, '');
      }
      const sectionNumber = b.readInt16LE(at + 12);
      out.push({
        name,
        value: b.readUInt32LE(at + 8),
        section: sectionNumber > 0 ? this.sections[sectionNumber - 1] : null,
      });
      i += b.readUInt8(at + 17);
    }
    return out;
  }
}

module.exports = { PeImage, isPeFile };
