// Packs a PNG file as make_icon writes it (its pixels in stored deflate
// blocks, which the art checks read) into the same picture compressed, for
// the page, where every byte is downloaded: the image data deflated at the
// highest level, every other chunk as it was.
//
//   node pack_png.mjs IN.png OUT.png
import fs from 'node:fs';
import zlib from 'node:zlib';
import { chunksOf, pngOf } from './png.mjs';

const [input, output] = process.argv.slice(2);
const chunks = chunksOf(fs.readFileSync(input));
const pixels = zlib.inflateSync(Buffer.concat(chunks.filter((c) => c.type === 'IDAT').map((c) => c.body)));
const first = chunks.findIndex((c) => c.type === 'IDAT');
const packed = chunks.filter((c) => c.type !== 'IDAT');
packed.splice(first, 0, { type: 'IDAT', body: zlib.deflateSync(pixels, { level: 9 }) });
fs.writeFileSync(output, pngOf(packed));
