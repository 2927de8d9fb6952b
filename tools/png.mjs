// What the page's tools and tests know of PNG files: the chunks of a file,
// a chunk written with its CRC, and 8-bit pictures read (RGB or RGBA, as
// browsers' screenshots are; palette, as make_icon writes) and written (RGB).
//
//   const picture = decodePng(buffer);   picture.pixel(x, y) → [r, g, b, a]
//   fs.writeFileSync(file, encodePng(width, height, (x, y) => [r, g, b]));
import zlib from 'node:zlib';

const Signature = Buffer.from([137, 80, 78, 71, 13, 10, 26, 10]);

export function crc32(bytes) {
  let crc = ~0;
  for (const byte of bytes) {
    crc ^= byte;
    for (let bit = 0; bit < 8; bit++) crc = (crc >>> 1) ^ (0xedb88320 & -(crc & 1));
  }
  return ~crc >>> 0;
}

// The file's chunks in order, as { type, body }.
export function chunksOf(png) {
  if (!png.subarray(0, 8).equals(Signature)) throw new Error('not a PNG file');
  const chunks = [];
  for (let at = 8; at + 12 <= png.length;) {
    const length = png.readUInt32BE(at);
    chunks.push({ type: png.toString('latin1', at + 4, at + 8), body: png.subarray(at + 8, at + 8 + length) });
    at += 12 + length;
  }
  return chunks;
}

// A whole file of these chunks, each with its length and CRC.
export function pngOf(chunks) {
  return Buffer.concat([Signature, ...chunks.map(({ type, body }) => {
    const head = Buffer.alloc(8), crc = Buffer.alloc(4);
    head.writeUInt32BE(body.length);
    head.write(type, 4, 'latin1');
    crc.writeUInt32BE(crc32(Buffer.concat([head.subarray(4), body])));
    return Buffer.concat([head, body, crc]);
  })]);
}

export function decodePng(png) {
  const chunks = chunksOf(png), header = chunks.find((c) => c.type === 'IHDR').body;
  const [width, height, depth, type, interlace] =
    [header.readUInt32BE(0), header.readUInt32BE(4), header[8], header[9], header[12]];
  const channels = { 2: 3, 3: 1, 6: 4 }[type];
  if (depth !== 8 || !channels || interlace) throw new Error('only 8-bit RGB, RGBA or palette PNG files, not interlaced');
  const raw = zlib.inflateSync(Buffer.concat(chunks.filter((c) => c.type === 'IDAT').map((c) => c.body)));
  const stride = width * channels;
  const out = new Uint8Array(height * stride);  // stores modulo 256, as the filters need
  for (let y = 0, i = 0; y < height; y++) {
    const filter = raw[y * (stride + 1)];
    for (let x = 0; x < stride; x++, i++) {
      const a = x >= channels ? out[i - channels] : 0;
      const b = y ? out[i - stride] : 0;
      const c = x >= channels && y ? out[i - stride - channels] : 0;
      const p = a + b - c;
      const [pa, pb, pc] = [Math.abs(p - a), Math.abs(p - b), Math.abs(p - c)];
      const predicted = [0, a, b, (a + b) >> 1, pa <= pb && pa <= pc ? a : pb <= pc ? b : c][filter];
      out[i] = raw[y * (stride + 1) + 1 + x] + predicted;
    }
  }
  const palette = chunks.find((c) => c.type === 'PLTE')?.body, alpha = chunks.find((c) => c.type === 'tRNS')?.body;
  return {
    width,
    height,
    pixel(x, y) {
      const i = (y * width + x) * channels;
      if (channels === 1) {
        const entry = out[i];
        return [...palette.subarray(entry * 3, entry * 3 + 3), alpha && entry < alpha.length ? alpha[entry] : 255];
      }
      return [out[i], out[i + 1], out[i + 2], channels === 4 ? out[i + 3] : 255];
    },
  };
}

export function encodePng(width, height, pixel) {
  const rows = Buffer.alloc((width * 3 + 1) * height);
  for (let y = 0; y < height; y++)
    for (let x = 0; x < width; x++) rows.set(pixel(x, y).slice(0, 3), y * (width * 3 + 1) + 1 + x * 3);
  const header = Buffer.alloc(13);
  header.writeUInt32BE(width, 0);
  header.writeUInt32BE(height, 4);
  header.set([8, 2, 0, 0, 0], 8);
  return pngOf([{ type: 'IHDR', body: header }, { type: 'IDAT', body: zlib.deflateSync(rows) },
                { type: 'IEND', body: Buffer.alloc(0) }]);
}
