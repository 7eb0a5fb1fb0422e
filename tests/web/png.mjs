// PNG pictures read and compared in node, the same way for every browser: 8-bit greyscale, RGB
// or RGBA without interlacing, which is what browsers and pp-render write.
import { inflateSync } from "node:zlib";

export function decodePng(bytes) {
  const buffer = Buffer.from(bytes);
  if (buffer.readUInt32BE(0) !== 0x89504e47) {
    throw new Error("not a PNG");
  }
  let width = 0;
  let height = 0;
  let channels = 0;
  const data = [];
  for (let at = 8; at < buffer.length; ) {
    const length = buffer.readUInt32BE(at);
    const type = buffer.toString("latin1", at + 4, at + 8);
    const body = buffer.subarray(at + 8, at + 8 + length);
    if (type === "IHDR") {
      width = body.readUInt32BE(0);
      height = body.readUInt32BE(4);
      const [depth, colour, , , interlace] = body.subarray(8, 13);
      channels = { 0: 1, 2: 3, 4: 2, 6: 4 }[colour];
      if (depth !== 8 || !channels || interlace !== 0) {
        throw new Error(`PNG of depth ${depth}, colour type ${colour}, interlace ${interlace}`);
      }
    } else if (type === "IDAT") {
      data.push(body);
    } else if (type === "IEND") {
      break;
    }
    at += 12 + length;
  }
  const raw = inflateSync(Buffer.concat(data));
  const stride = width * channels;
  const pixels = Buffer.alloc(stride * height);
  for (let y = 0; y < height; ++y) {
    const filter = raw[y * (stride + 1)];
    const line = raw.subarray(y * (stride + 1) + 1, (y + 1) * (stride + 1));
    const out = pixels.subarray(y * stride, (y + 1) * stride);
    const above = y > 0 ? pixels.subarray((y - 1) * stride, y * stride) : Buffer.alloc(stride);
    for (let i = 0; i < stride; ++i) {
      const a = i >= channels ? out[i - channels] : 0;
      const b = above[i];
      const c = i >= channels ? above[i - channels] : 0;
      let predicted = 0;
      if (filter === 1) predicted = a;
      else if (filter === 2) predicted = b;
      else if (filter === 3) predicted = (a + b) >> 1;
      else if (filter === 4) {
        const p = a + b - c;
        const pa = Math.abs(p - a);
        const pb = Math.abs(p - b);
        const pc = Math.abs(p - c);
        predicted = pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
      }
      out[i] = (line[i] + predicted) & 0xff;
    }
  }
  const rgb = new Uint8Array(width * height * 3);
  for (let p = 0; p < width * height; ++p) {
    for (let c = 0; c < 3; ++c) {
      rgb[p * 3 + c] = pixels[p * channels + (channels < 3 ? 0 : c)];
    }
  }
  return { width, height, rgb };
}

// The part of a picture inside a rectangle (whole pixels).
export function crop(picture, { x, y, width, height }) {
  const rgb = new Uint8Array(width * height * 3);
  for (let row = 0; row < height; ++row) {
    const from = ((y + row) * picture.width + x) * 3;
    rgb.set(picture.rgb.subarray(from, from + width * 3), row * width * 3);
  }
  return { width, height, rgb };
}

// A picture shrunk by averaging whole blocks of pixels.
export function shrink(picture, width, height) {
  const rgb = new Uint8Array(width * height * 3);
  for (let y = 0; y < height; ++y) {
    for (let x = 0; x < width; ++x) {
      const x0 = Math.floor((x * picture.width) / width);
      const x1 = Math.max(x0 + 1, Math.floor(((x + 1) * picture.width) / width));
      const y0 = Math.floor((y * picture.height) / height);
      const y1 = Math.max(y0 + 1, Math.floor(((y + 1) * picture.height) / height));
      for (let c = 0; c < 3; ++c) {
        let sum = 0;
        for (let v = y0; v < y1; ++v) {
          for (let u = x0; u < x1; ++u) {
            sum += picture.rgb[(v * picture.width + u) * 3 + c];
          }
        }
        rgb[(y * width + x) * 3 + c] = Math.round(sum / ((x1 - x0) * (y1 - y0)));
      }
    }
  }
  return { width, height, rgb };
}

// PSNR over the three channels, the share of pixels within 8 levels in every channel, and the
// share that differ by more than `changed` levels in some channel.
export function comparePictures(a, b, changed = 24) {
  if (a.width !== b.width || a.height !== b.height) {
    throw new Error(`pictures of ${a.width}x${a.height} and ${b.width}x${b.height}`);
  }
  let squares = 0;
  let close = 0;
  let differing = 0;
  const count = a.width * a.height;
  for (let p = 0; p < count; ++p) {
    let worst = 0;
    for (let c = 0; c < 3; ++c) {
      const d = a.rgb[p * 3 + c] - b.rgb[p * 3 + c];
      squares += d * d;
      worst = Math.max(worst, Math.abs(d));
    }
    close += worst <= 8 ? 1 : 0;
    differing += worst > changed ? 1 : 0;
  }
  const mse = squares / (count * 3);
  return {
    psnr: mse === 0 ? Infinity : 10 * Math.log10((255 * 255) / mse),
    withinEight: close / count,
    changed: differing / count,
  };
}

// The brightest channel value in a picture.
export function brightest(picture) {
  let most = 0;
  for (const v of picture.rgb) {
    most = Math.max(most, v);
  }
  return most;
}
