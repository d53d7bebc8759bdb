#!/usr/bin/env python3
"""Writes the hand-made seeds of the fuzz targets whose inputs are texts, the
picture size reader's Windows bitmap headers, Firefox cache2 entry files and
PNG pictures.

    python3 scripts/fuzz-seeds.py

Each seed is a file "hand-NAME" in the target's seed corpus, made here from
the structures the target's reader knows and fuzzing alone seldom builds
(every link attribute, every declared character set, style sheet forms,
titles cut inside a character). Running it again writes the same files.
Seeds taken from style sheets committed in the tree are named "real-NAME"
instead, NAME saying which file each was read from.
"""
import base64
import os
import struct
import zlib

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
ENGINE = os.path.join(ROOT, "APPS", "zvtorsel", "engine")

JIS_KANJI = b"\x1b$B\x46\x7c\x4b\x5c\x1b(B"      # 日本 in ISO-2022-JP
EUC_KANJI = b"\xc6\xfc\xcb\xdc"                    # 日本 in EUC-JP
SJIS_SO = b"\x83\x5c"                              # ソ, trail byte 0x5C


def write(target, folder, name, data, origin="hand"):
    if folder == "zvinstl":
        base = os.path.join(ROOT, "APPS", "zvinstl")
    elif folder == "zvpng":
        base = os.path.join(ROOT, "PLUGINS", "zvpng")
    else:
        base = os.path.join(ENGINE, folder)
    path = os.path.join(base, "fuzz", "corpus", target)
    os.makedirs(path, exist_ok=True)
    with open(os.path.join(path, origin + "-" + name), "wb") as f:
        f.write(data)


LINKS = (b'<HTML><HEAD><BASE HREF="http://h/base/">'
         b'<LINK REL=stylesheet HREF="s.css"><SCRIPT SRC="j.js"></SCRIPT>'
         b'<META HTTP-EQUIV="Refresh" CONTENT="0; URL=next.html">'
         b'<STYLE>@import "i.css"; body { background: url(\'b g.gif\') }</STYLE></HEAD>'
         b'<BODY BACKGROUND="bg.gif"><A HREF="x.html#f">x</A><a href=\'q.cgi?a=1&amp;b=&quot;2\'>q</a>'
         b'<a href=unquoted.htm>u</a><A HREF="mailto:a@h">m</A><A HREF="javascript:void(0)">j</A>'
         b'<A HREF="#top">t</A><A HREF="/abs/p.html">a</A><A HREF="../up.html">u</A>'
         b'<A HREF="http://other.example/p?x=1">o</A><A HREF="ftp://f.example/f.zip">f</A>'
         b'<IMG SRC="s.gif" LOWSRC="l.gif" DYNSRC="d.avi" USEMAP="#m"><MAP NAME="m">'
         b'<AREA HREF="area.html"></MAP><FORM ACTION="post.cgi"><INPUT TYPE=image SRC="i.gif"></FORM>'
         b'<APPLET CODE="a.class" CODEBASE="classes/"></APPLET>'
         b'<EMBED SRC="e.mid" PLUGINSPAGE="http://p.example/"><OBJECT><PARAM NAME=movie VALUE="m.swf"></OBJECT>'
         b'<FRAMESET><FRAME SRC="f.html"><NOFRAMES>n</NOFRAMES></FRAMESET><IFRAME SRC="if.html"></IFRAME>'
         b'<P STYLE="background:url(st.gif)">p</P><!-- <A HREF="comment.html"> -->'
         b'<TD BACKGROUND=\'td.gif\'><a HrEf = "spaced.html" >s</a>'
         b'<IMG SRCSET="small.jpg 1x, large.jpg 2x,wide.jpg 800w" SRC="x.jpg"><PICTURE><SOURCE SRCSET=a.webp,b.webp>'
         b'</PICTURE><VIDEO POSTER="poster.jpg" SRC="v.mp4"></VIDEO><OBJECT DATA="o.svg"></OBJECT>'
         b'<EMBED SRC="embed.swf"><META HTTP-EQUIV=refresh CONTENT="5;url=\'later.html\'">'
         b'<META HTTP-EQUIV="REFRESH" CONTENT="3">'
         b'<DIV STYLE="background-image:url(&quot;q.gif&quot;)">d</DIV><SPAN STYLE=\'list-style:url(l.png)\'></SPAN>'
         b'<STYLE TYPE="text/css">@import url(page.css); .c { background: url(&amp;.gif) }</STYLE>'
         b'<IMG SRC="/root.gif"><IMG SRC="a%20b.gif"><IMG SRC="' + b"x" * 1100 + b'.gif"></BODY></HTML>')

CHARSETS = [b"euc-jp", b"x-euc-jp", b"iso-2022-jp", b"csISO2022JP", b"shift_jis", b"x-sjis", b"windows-31j",
            b"utf-8", b"Shift-JIS", b"cseucpkdfmtjapanese", b"ms_kanji", b"unknown-8bit"]


def translate_seeds():
    flags = [0x0F, 0x05, 0xFA, 0x31, 0x00, 0x8E]
    for i, flag in enumerate(flags):
        write("translate_fuzzer", "translate", "links%d" % i, bytes([flag]) + LINKS)
    for i, charset in enumerate(CHARSETS):
        meta = (b'<META HTTP-EQUIV="Content-Type" CONTENT="text/html; charset=' + charset + b'">'
                if i % 2 == 0 else b'<meta charset="' + charset + b'">')
        body = {0: EUC_KANJI, 2: JIS_KANJI}.get(i % 3, SJIS_SO)
        page = b"<html><head>" + meta + b"</head><body><a href=\"" + body + b"/p.html\">" + body + b"</a></body>"
        write("translate_fuzzer", "translate", "charset-" + charset.decode().lower(),
              bytes([0x15 + 16 * (i % 4)]) + page)
    write("translate_fuzzer", "translate", "bom-utf8", b"\x0d\xef\xbb\xbf<a href=\"u.html\">u</a>")
    write("translate_fuzzer", "translate", "jis-links",
          b"\x07" + b"<a href=\"" + JIS_KANJI + b".html\">" + JIS_KANJI + b"</a>\x1b$B\x46\x7c<a\x1b(B")
    write("translate_fuzzer", "translate", "long-url",
          b"\x0f<a href=\"" + b"d/" * 600 + b"p.html\">l</a><img src=\"" + b"q" * 1100 + b"\">")
    write("translate_fuzzer", "translate", "cut-tags",
          b"\x0f<a href=\"x.html\"><a href=\"y<img src='z <base href=<meta http-equiv=\"content-type\" content=\"")
    write("translate_fuzzer", "translate", "translated-links",
          b"\x0f<a href=\"http$/h/a/p.html\">r</a><a href=\"file:///C:/Web/http$/h/q.html\">f</a>"
          b"<a href=\"index.html\">i</a><a href=\"./\">d</a><a href=\"http://h/a/?q\">q</a>")


SHEETS = [
    b'@charset "EUC-JP";\n@import url("a.css");\n@import \'b.css\' screen;\nbody { background: url(bg.gif) }',
    b'p { background-image: url( "sp ace.gif" ) ; } /* url(comment.gif) */ q { list-style: url(\'l.png\') }',
    b'@font-face { src: url(f.woff) format("woff"), url("f.ttf"); }\n'
    b'a { background: image-set(url(a1.png) 1x, url(a2.png) 2x) }',
    b'b { background: url(data:image/gif;base64,R0lGOD) } c { background: url(#frag) }'
    b' d { background: url(http://h/abs.gif) } e { background: url(/root.gif) }',
    b'e { background: url(esc\\28 aped\\29.gif) } f { content: "url(not.gif)" } g { background: url(',
    b'@namespace svg url(http://www.w3.org/2000/svg);\nh { background: URL(UPPER.GIF) }\n'
    b'i { background: url(\n"nl.gif"\n) } j { background: url("unterminated',
    b'k { background: url(' + SJIS_SO + b'.gif) } l { background: url("' + EUC_KANJI + b'.gif") }',
    b'@import url(' + JIS_KANJI + b'.css); m { background: url("' + JIS_KANJI + b'/j.gif") }',
    b'n { background: url(\'' + b"../" * 40 + b'deep.gif\') } o { background: url(' + b"x" * 1100 + b')}',
]

REAL_SHEETS = [
    ("cache-fixture-site.css", "APPS/zvtorsel/engine/cache/tests/data/site/css/site.css"),
    ("demo.css", "APPS/zvtorsel/demo/site/demo.css"),
]


def sheet_trailer(original_size, translated_size, kept_size):
    """The last line of a translated sheet: the sizes its envelope holds."""
    return b"   zvtorsel : ORG SIZE=%010d XLAT BLK=%010d ORG BLK=%010d    */\r\n" % (
        original_size, translated_size, kept_size)


def sheet_envelope(translated, original, keep):
    """A translated sheet as the translator writes it: the sheet, its header
    line, the original in base64 lines, padding to 512 bytes, the sizes."""
    header = b"/* zvtorsel : z.v Torsel Sitekeeper's CSS Translation Service ver.1.01        \r\n"
    encoded = base64.b64encode(original) if keep else b""
    encoded = b"".join(encoded[i:i + 76] + b"\r\n" for i in range(0, len(encoded), 76))
    padding = bytearray(b" " * (512 - (len(translated) + 2 + 80 + len(encoded) + 80) % 512))
    for line in range(0, len(padding) - 79, 80):
        padding[line + 78:line + 80] = b"\r\n"
    trailer = sheet_trailer(len(original), len(translated), len(original) if keep else 0)
    return translated + b"\r\n" + header + encoded + bytes(padding) + trailer


def picturesize_seeds():
    # Windows bitmaps: a 12-byte core header, and a 40-byte one stored top-down.
    core = b"BM" + struct.pack("<IHHI", 26 + 6, 0, 0, 26) + struct.pack("<IHHHH", 12, 3, 2, 1, 24) + b"\0" * 6
    info = (b"BM" + struct.pack("<IHHI", 54 + 8, 0, 0, 54) +
            struct.pack("<IiiHHIIiiII", 40, 2, -2, 1, 8, 0, 8, 2835, 2835, 0, 0) + b"\0" * 8)
    write("picturesize_fuzzer", "pictures", "bmp-core", core)
    write("picturesize_fuzzer", "pictures", "bmp-top-down", info)


def css_seeds():
    for i, sheet in enumerate(SHEETS):
        for flag in (i % 4, (i % 4) | 0x0C):
            write("css_fuzzer", "translate", "sheet%d-%x" % (i, flag), bytes([flag]) + sheet)
    # Real sheets: the one of the cache fixtures' site and the demo's.
    for name, relative in REAL_SHEETS:
        with open(os.path.join(ROOT, relative), "rb") as f:
            sheet = f.read()
        for flag in (0x00, 0x0D):
            write("css_fuzzer", "translate", "%s-%x" % (name, flag), bytes([flag]) + sheet, origin="real")
    # The fixture sheet as a rebuild translates it, the original kept in the
    # closing comment or not, so that the envelope is read as found on disk.
    with open(os.path.join(ROOT, REAL_SHEETS[0][1]), "rb") as f:
        original = f.read()
    translated = original.replace(b"url(../img/bg.gif)", b'url("../img/bg.gif")').replace(
        b'url("/img/logo.gif")', b'url("../img/logo.gif")')
    for label, keep in (("kept", True), ("not-kept", False)):
        write("css_fuzzer", "translate", "translated-sheet-" + label,
              b"\x00" + sheet_envelope(translated, original, keep))
    # A sheet that ends the page's STYLE element and goes on as the page.
    write("css_fuzzer", "translate", "page-after-style",
          b"\x08a { background: url(a.gif) }</style><p style=\"background:url('p.gif')\">"
          b"<style>@import 'i.css';</style><img src=\"i.gif\"><style>b { background: url(b.gif) }")


TITLES = [
    (b"a.b", b"<HTML><HEAD><TITLE>A title of a page</TITLE></HEAD><BODY>a.b axb</BODY></HTML>"),
    (b"[x-z]*", b"<title>\r\nLines\r\nin a title\r\n</title>xyz"),
    (b"\x93\xfa", b"<TITLE>\x93\xfa\x96\x7b\x8c\xea\x82\xcc\x83\x5c\x83\x5c</TITLE>\x93\xfa\x96\x7b"),
    (b"", b"<title>" + EUC_KANJI * 40 + b"</title>"),
    (b"^b", b"<TITLE>" + JIS_KANJI + b" &lt;jis&gt; &amp;</TITLE>b" + JIS_KANJI),
    (b"no", b"<html><body>no title here</body></html>"),
    (b"t", b"<TiTlE attr=\"1\">mixed <b>case</b></tItLe><title>second</title>"),
    (b"(a|b)+", b"<title>" + b"\x82" + b"</title><title>unterminated"),
    (b"\\.", b"<TITLE>" + b"long " * 300 + b"</TITLE>"),
    # Titles sorted by their reading: hiragana, katakana with small and
    # voiced ones, half-width kana with voicing marks, symbols, kanji.
    (b"\x82\xa0", b"<TITLE>\x82\xa0\x82\xa2\x82\xaa\x82\xf1\x81\x5b</TITLE>"),
    (b"\x83\x41", b"<TITLE>\x83\x41\x83\x94\x83\x95\x83\x96\x83\x40\x83\x92</TITLE>"),
    (b"\xb1", b"<TITLE>\xb1\xb6\xde\xca\xdf\xa1\xa4\xa5\xdd</TITLE>"),
    (b"A", b"<TITLE>\x81\x99\x88\x9f\x82\x60\x82\x81\x82\x4f ABC abc 123</TITLE>"),
]


def report_seeds():
    for i, (keyword, page) in enumerate(TITLES):
        write("report_fuzzer", "reports", "title%d" % i, bytes([len(keyword)]) + keyword + page)


RESULT_LINES = [
    b'<A HREF="http$\\h.example\\a\\index.html">http://h.example/a/</A>',
    b'<A HREF="http$/h.example/a/deeper/p.htm">nested in the one above</A>',
    b'<A HREF="http$/g.example/' + SJIS_SO + b'/p.htm">' + SJIS_SO + b'</A>',
    b'<A HREF="http$/g.example/~user/p.htm">tilde</A>',
    b'<A HREF="http$/f.example/in%20x/p.htm">escaped</A>',
    b'<A HREF="http$/e.example/p.htm">a site root</A>',
]


def resultpage_seeds():
    lines = b"\n".join(RESULT_LINES) + b"\n"
    bases = {
        "drive": b'<BASE HREF="file:///C:\\rb\\base.html">',
        "drive-two": b'<BASE HREF="file://C:\\rb\\base.html">',
        "network": b'<BASE HREF="file://\\\\server\\share\\base.html">',
        "elsewhere": b'<BASE HREF="file:///D:\\pictures\\base.html">',
    }
    head = b"<HTML>\n<HEAD>\n<TITLE>'a' & 'b'</TITLE>\n"
    for name, base in bases.items():
        write("resultpage_fuzzer", "pictures", "base-" + name, head + base + b"\n</HEAD>\n<BODY>\n" + lines)
    # Without a BASE line the links are relative to the page's own folder.
    write("resultpage_fuzzer", "pictures", "relative", head + b"</HEAD>\n<BODY>\n" + lines)
    write("resultpage_fuzzer", "pictures", "file-name-line", b"&a+b.htm\n" + head + bases["drive"] + b"\n" + lines)


def setupdef_seeds():
    definition = (b"[Setup]\r\nTitle=z.v \\n setup\\\r\n"
                  b"[App1]\r\nAppName=z.v Torsel\r\nExeName=zvtorsel.exe\r\nOutline=line\\none\\\\two\x01\\\r\n"
                  b"RegSetKey=z.v\\zvtorsel\r\nFolder=z.v\\Torsel\r\n"
                  b"File1=zvtorsel.exe\r\nFile2=help\\zvtorsel.htm\r\nFile3=..\\out.dll\r\nFile4=" + SJIS_SO +
                  b"\\" + SJIS_SO + b".txt\r\nFile5=c:\\abs.dll\r\n"
                  b"CommonFile1=z.v\\zvcore32.dll\r\nCommonFile2=\\\\server\\x.dll\r\n"
                  b"[App2]\r\nAppName=second\r\nRegSetKey=..\\up\r\nFile1=a//b\\\\c.txt\r\n"
                  b"[App3]\r\nAppName=third\r\nOutline=\\\r\nFile1=\r\n")
    write("setupdef_fuzzer", "zvinstl", "definition", definition)
    record = (b"File=C:\\Program Files\\z.v\\zvtorsel.exe\r\nFile=c:\\program files\\z.v\\ZVTORSEL.EXE\r\n"
              b"Folder=C:\\Program Files\\z.v\\help\r\nKey=Software\\Microsoft\\Windows\\CurrentVersion"
              b"\\App Paths\\zvtorsel.exe\r\nLink=C:\\Desktop\\z.v.lnk\nFile=\r\nNoEquals\r\nOther=x\r"
              b"File=a=b\r\n")
    write("setupdef_fuzzer", "zvinstl", "record", record)


def warc_input(flags, fields, stored, body):
    """The fuzzer's three slices: cut points chosen so that each slice is whole."""
    for pad in range(0, 512):
        data_body = body + b"." * pad
        size = 3 + len(fields) + len(stored) + len(data_body)
        a_want, b_want = 3 + len(fields), 3 + len(fields) + len(stored)
        for d1 in range(256):
            if 1 + (size - 1) * d1 // 256 != a_want:
                continue
            for d2 in range(256):
                if a_want + (size - a_want) * d2 // 256 == b_want:
                    return bytes([flags, d1, d2]) + fields + stored + data_body
    raise ValueError("no cut points")


def warcrecord_seeds():
    heads = {
        "http": b"HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: 4\r\n\r\n",
        "http-gzip": b"HTTP/1.1 200 OK\r\nContent-Encoding: gzip\r\nTransfer-Encoding: chunked\r\n\r\n",
        "http-bare-lf": b"HTTP/1.0 404 Not Found\nDate: Mon, 01 Jan 2001 00:00:00 GMT\n\n",
        "http-no-end": b"HTTP/1.1 301 Moved\r\nLocation: http://h/new\r\n",
        "url-head": b"http://h.example/a b/p.html\r\n\x00junk",
    }
    fields = b"WARC-Date=2020-01-02T03:04:05Z|X-Empty=|=no name|WARC-Record-ID=<urn:uuid:1>"
    for i, (name, head) in enumerate(heads.items()):
        for flags in (0, 3):
            write("warcrecord_fuzzer", "archive", "%s-%d" % (name, flags), warc_input(flags | (i & 2), fields,
                                                                                     head, b"page"))


def tree_seeds():
    cache = [b"\x02http://h.example/", b"\x02http://h.example/a/index.html", b"\x00http://h.example/a/p.gif",
             b"\x02http://h.example/q.cgi?x=1&y=2", b"\x12http://h.example/old.htm", b"\x02http://blocked.test/a.html",
             b"\x06http://h.example/history", b"\x0ahttp://h.example/cookie", b"\x01http://h.example/no-file",
             b"\x02https://s.example/" + SJIS_SO + b"/p.htm", b"\x02http://h.example/a%20b/c$d.htm"]
    disk = [b"\x8ahttp$\\h.example\\a\\index.html", b"\x84http$\\h.example\\only-on-disk.htm",
            b"\xa0http$\\h.example\\empty", b"\x85http$\\blocked.test", b"\xa0notascheme\\x",
            b"\x83https$\\s.example\\" + SJIS_SO + b"\\p.htm", b"\xc6http$\\h.example\\a\\second.htm",
            b"\xc2http$\\h.example\\old.htm", b"\x81http$\\h.example\\q.cgi$3fx=1&y=2.htm",
            b"\xa0http$\\h.example\\$$zvt00000001.tmp", b"\x81download.lst"]
    for group in range(5):
        lines = [bytes([group]) + cache[0][1:]] + cache[1:] + disk
        write("tree_fuzz", "tree", "disk-and-cache-%d" % group, b"\n".join(lines))
    write("tree_fuzz", "tree", "disk-only", b"\n".join(disk))
    # Translated files on the disk, a page's envelope at its start and a
    # sheet's in its last line (0x01 for a line break), as the tree reads
    # them from files whose size is a multiple of 512.
    page = (b"<!-- zvtorsel : z.v Torsel Sitekeeper's HTML Translation Service ver.1.01  -->\r\x01"
            b"<!-- zvtorsel : ORG SIZE=0000000612 XLAT BLK=0000000620 ORG BLK=%s -->\r\x01")
    for label, kept in (("kept", b"0000000612"), ("not-kept", b"0000000000")):
        write("tree_fuzz", "tree", "envelope-page-" + label,
              b"\x02http://h.example/t.html\n\x80http$\\h.example\\t.html\t" + page % kept)
    for label, kept in (("kept", 247), ("not-kept", 0)):
        sheet = sheet_trailer(247, 251, kept).replace(b"\n", b"\x01")
        write("tree_fuzz", "tree", "envelope-sheet-" + label,
              b"\x02http://h.example/css/a.css\n\x00http://h.example/style.php?v=3\n"
              b"\x80http$\\h.example\\css\\a.css\t" + sheet +
              b"\n\x80http$\\h.example\\style.php$3fv=3\t" + sheet)
    write("tree_fuzz", "tree", "hash-file", b"\x02http://h.example/x/\n\x80http$\\h.example\\x\\#")


# Bodies made once with the command-line tools (zstd 1.5.4 -19 of a file, so
# that the frame names its decoded size; brotli 1.0.9 -q 11), kept as bytes
# so that the script needs neither.
ZSTD_PAGE = bytes.fromhex("28b52ffd24231901003c68746d6c3e3c626f64793e7a73746420626f64793c2f626f64793e"
                          "3c2f68746d6c3e5c72e040")
BROTLI_PAGE = bytes.fromhex("1f2400f88d946ede2a8fb17de40d8b2249270792b2d0224c2e90093081ad9cd5d76412")


CACHE2_CHUNK = 256 * 1024   # each chunk of the body has a two-byte hash


def cache2_entry(key, head, body, pairs=()):
    """A cache2 entry file: body, metadata (hash, chunk hashes, version 3
    header, key, name/value pairs) and the offset of the metadata."""
    chunks = (len(body) + CACHE2_CHUNK - 1) // CACHE2_CHUNK
    meta = struct.pack(">I", 0x12345678) + b"\xab\xcd" * chunks
    meta += struct.pack(">8I", 3, 1, 1600000000, 1600000000, 0, 1600086400, len(key), 0) + key + b"\0"
    for name, value in (("request-method", b"GET"), ("response-head", head)) + tuple(pairs):
        meta += name.encode() + b"\0" + value + b"\0"
    return body + meta + struct.pack(">I", len(body))


def cache2_seeds():
    page = b"<html><body>" + b"x" * 20 + b"</body></html>"
    ok = b"HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n"
    key = b"a,:http://seed.test/"
    for label, value in (("alt-data", b"1;34,javascript/moz-script-bytecode"), ("alt-data-past-body", b"1;9999,x"),
                         ("alt-data-no-offset", b"1;,x"), ("alt-data-no-semicolon", b"1,x")):
        write("cache2_fuzzer", "cache", label, cache2_entry(key + b"s.js", ok + b"\r\n", page,
                                                             (("alt-data", value),)))
    write("cache2_fuzzer", "cache", "redirect",
          cache2_entry(key + b"old", b"HTTP/1.1 301 Moved Permanently\r\nLocation: http://seed.test/new\r\n"
                       b"Content-Length: 0\r\n\r\n", b""))
    two_members = zlib.compress(page[:20], wbits=31) + zlib.compress(page[20:], wbits=31)
    for label, coding, body in (("gzip-two-members", b"gzip", two_members), ("zstd", b"zstd", ZSTD_PAGE),
                                ("zstd-cut", b"zstd", ZSTD_PAGE[:-8]),
                                ("brotli", b"br", BROTLI_PAGE)):
        head = ok + b"Content-Encoding: " + coding + b"\r\n\r\n"
        write("cache2_fuzzer", "cache", label, cache2_entry(key + label.encode() + b".html", head, body))


def png_chunk(kind, body):
    return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))


def png_seeds():
    """Palette pictures with transparency over a background colour: one whose
    bKGD names a palette entry, one whose index lies past the palette."""
    rows = b"".join(b"\0" + bytes([0, 1, 2, 1]) for _ in range(2))
    for label, index in (("palette-background", 2), ("palette-background-past-palette", 9)):
        write("png_fuzzer", "zvpng", label,
              b"\x89PNG\r\n\x1a\n" + png_chunk(b"IHDR", struct.pack(">IIBBBBB", 4, 2, 8, 3, 0, 0, 0)) +
              png_chunk(b"PLTE", bytes([255, 0, 0, 0, 255, 0, 0, 0, 255])) + png_chunk(b"tRNS", bytes([0, 128])) +
              png_chunk(b"bKGD", bytes([index])) + png_chunk(b"IDAT", zlib.compress(rows)) + png_chunk(b"IEND", b""))


def main():
    translate_seeds()
    cache2_seeds()
    css_seeds()
    report_seeds()
    resultpage_seeds()
    setupdef_seeds()
    warcrecord_seeds()
    tree_seeds()
    picturesize_seeds()
    png_seeds()


if __name__ == "__main__":
    main()
