// The archives read by webrecorder's warcio, a reader apart from ours: every
// record's block and payload digest worked out again, and every response of
// the fixture site, undone from the Content-Encoding its head still names,
// equal to the file the site served.
//   node check_warc.mjs SITE_FOLDER EXPECTED_TSV ARCHIVE...
import { createReadStream, readFileSync } from 'node:fs';
import { createHash } from 'node:crypto';
import zlib from 'node:zlib';
import { WARCParser } from 'warcio';

const [site, tsv, ...archives] = process.argv.slice(2);
const expected = new Map();
for (const line of readFileSync(tsv, 'utf8').split('\n')) {
  const [url, file] = line.split('\t');
  if (file) expected.set(url, file);
}
const base32 = (bytes) => {
  const alphabet = 'ABCDEFGHIJKLMNOPQRSTUVWXYZ234567';
  let bits = 0, value = 0, out = '';
  for (const b of bytes) {
    value = (value << 8) | b;
    bits += 8;
    while (bits >= 5) { out += alphabet[(value >>> (bits - 5)) & 31]; bits -= 5; }
  }
  return out;
};
const sha1 = (data) => 'sha1:' + base32(createHash('sha1').update(data).digest());
const decode = (coding, data) => {
  if (!coding || coding === 'identity') return data;
  if (coding === 'gzip') return zlib.gunzipSync(data);
  if (coding === 'br') return zlib.brotliDecompressSync(data);
  if (coding === 'deflate') {
    try { return zlib.inflateSync(data); } catch { return zlib.inflateRawSync(data); }
  }
  throw new Error('unknown coding ' + coding);
};

let failed = 0;
const fail = (what) => { console.error('check_warc: ' + what); failed++; };
for (const archive of archives) {
  const parser = new WARCParser(createReadStream(archive), { keepHeadersCase: true });
  let records = 0, matched = 0;
  for await (const record of parser) {
    records++;
    const type = record.warcType, uri = record.warcTargetURI;
    const isHttp = (record.warcContentType || '').startsWith('application/http');
    const payload = Buffer.from(await record.readFully(false));
    if (isHttp && type === 'response' && record.warcPayloadDigest !== sha1(payload)) fail(`${archive}: payload digest of ${uri}`);
    if (type === 'response' && expected.has(uri)) {
      const coding = record.httpHeaders.headers.get('Content-Encoding');
      const body = decode(coding, payload);
      if (!body.equals(readFileSync(`${site}/${expected.get(uri)}`))) fail(`${archive}: body of ${uri}`);
      else matched++;
    }
  }
  // The blocks as written, HTTP heads included, for their digests.
  let blocks = 0;
  for await (const record of new WARCParser(createReadStream(archive), { parseHttp: false })) {
    blocks++;
    const block = Buffer.from(await record.readFully(false));
    if (record.warcHeader('WARC-Block-Digest') !== sha1(block)) fail(`${archive}: block digest of ${record.warcType} ${record.warcTargetURI}`);
  }
  if (blocks !== records) fail(`${archive}: ${blocks} blocks but ${records} records`);
  console.log(`${archive} ${records} ${matched}`);
}
process.exit(failed ? 1 : 0);
