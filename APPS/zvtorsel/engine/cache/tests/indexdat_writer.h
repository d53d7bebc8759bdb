// Writes cache index files for tests, fuzz seeds and benchmarks, laid out as
// the public description of the format has them: a header with its
// sub-folder table and allocation bitmap, a chain of hash tables from 0x4000
// and one record per entry in 128-byte blocks.
#pragma once
#include <string.h>

#include <string>
#include <vector>

#include "zvtypes.h"

struct IndexDatWriterEntry {
    enum Kind { URL, REDR, LEAK };
    Kind kind = URL;
    std::string url;
    std::string file;  // empty: no file
    int folder = 0;    // index into the sub-folder table
    DWORD type = 0x00000001;
    DWORD size = 0;
    ULONGLONG modified = 0, accessed = 0;
    DWORD expireFat = 0;
    std::string headers;
};

class CIndexDatWriter {
public:
    std::string signature = "Client UrlCache MMF Ver 5.2";
    bool version47 = false;
    std::vector<std::string> folders = {"ABCD1234", "EFGH5678"};
    int slotsPerTable = 510;  // hash slots of one table; smaller values make chains

    std::vector<BYTE> Build(const std::vector<IndexDatWriterEntry>& entries) {
        std::vector<BYTE> out(0x4000, 0);
        // Hash tables first, so that the records follow them.
        size_t tableCount = entries.empty() ? 1 : (entries.size() + slotsPerTable - 1) / slotsPerTable;
        size_t tableBlocks = (16 + (size_t)slotsPerTable * 8 + 127) / 128;
        std::vector<size_t> tables;
        for (size_t t = 0; t < tableCount; ++t) {
            tables.push_back(out.size());
            out.resize(out.size() + tableBlocks * 128, 0);
            Put(out, tables[t], "HASH");
            Put32(out, tables[t] + 4, (DWORD)tableBlocks);
            Put32(out, tables[t] + 12, (DWORD)t);
            for (size_t i = 0; i < tableBlocks * 128 / 8 - 2; ++i) {
                Put32(out, tables[t] + 16 + i * 8, 0x0badf00d);
                Put32(out, tables[t] + 20 + i * 8, 0x0badf00d);
            }
        }
        for (size_t t = 0; t + 1 < tables.size(); ++t) Put32(out, tables[t] + 8, (DWORD)tables[t + 1]);
        recordOffsets.clear();
        for (size_t i = 0; i < entries.size(); ++i) {
            size_t at = out.size();
            recordOffsets.push_back(at);
            AppendRecord(out, entries[i]);
            DWORD flags = entries[i].kind == IndexDatWriterEntry::REDR ? 5 : 0;
            if (entries[i].kind == IndexDatWriterEntry::LEAK) continue;  // not listed
            size_t slot = tables[i / slotsPerTable] + 16 + (i % slotsPerTable) * 8;
            Put32(out, slot, (DWORD)((i + 1) << 6) | flags);
            Put32(out, slot + 4, (DWORD)at);
        }
        // Header.
        memcpy(out.data(), signature.c_str(), signature.size() + 1);
        Put32(out, 28, (DWORD)out.size());
        Put32(out, 32, 0x4000);
        DWORD blocks = (DWORD)((out.size() - 0x4000) / 128);
        Put32(out, 36, blocks);
        Put32(out, 40, blocks);
        Put32(out, 48, 0x01000000);
        Put32(out, 72, (DWORD)folders.size());
        for (size_t f = 0; f < folders.size(); ++f) {
            Put32(out, 76 + f * 12, 1);
            memcpy(out.data() + 80 + f * 12, folders[f].c_str(), folders[f].size() < 8 ? folders[f].size() : 8);
        }
        for (DWORD b = 0; b < blocks; ++b) out[0x250 + b / 8] |= (BYTE)(1 << (b % 8));
        return out;
    }

    std::vector<size_t> recordOffsets;

    static void Put32(std::vector<BYTE>& out, size_t at, DWORD v) {
        for (int i = 0; i < 4; ++i) out[at + i] = (BYTE)(v >> (8 * i));
    }
    static void Put64(std::vector<BYTE>& out, size_t at, ULONGLONG v) {
        Put32(out, at, (DWORD)v);
        Put32(out, at + 4, (DWORD)(v >> 32));
    }
    static void Put(std::vector<BYTE>& out, size_t at, const char* sig) { memcpy(out.data() + at, sig, 4); }

private:
    static size_t Align8(size_t n) { return (n + 7) & ~(size_t)7; }

    void AppendRecord(std::vector<BYTE>& out, const IndexDatWriterEntry& e) {
        std::vector<BYTE> r;
        if (e.kind == IndexDatWriterEntry::REDR) {
            r.assign(Align8(16 + e.url.size() + 1), 0);
            Put(r, 0, "REDR");
            memcpy(r.data() + 16, e.url.c_str(), e.url.size() + 1);
        } else {
            size_t url = 0x68;
            size_t file = Align8(url + e.url.size() + 1);
            size_t headers = Align8(file + (e.file.empty() ? 0 : e.file.size() + 1));
            r.assign(Align8(headers + e.headers.size() + 1), 0);
            Put(r, 0, e.kind == IndexDatWriterEntry::LEAK ? "LEAK" : "URL ");
            Put64(r, 8, e.modified);
            Put64(r, 16, e.accessed);
            Put32(r, 32, e.size);
            bool v47 = version47;
            if (!v47) {
                Put32(r, 24, e.expireFat);
                Put32(r, 48, 0x60);
            }
            Put32(r, v47 ? 56 : 52, (DWORD)url);
            r[v47 ? 60 : 56] = (BYTE)e.folder;
            if (!v47) r[58] = r[59] = 0x10;
            if (!e.file.empty()) Put32(r, v47 ? 64 : 60, (DWORD)file);
            Put32(r, v47 ? 68 : 64, e.type);
            if (!e.headers.empty()) {
                Put32(r, v47 ? 72 : 68, (DWORD)headers);
                Put32(r, v47 ? 76 : 72, (DWORD)e.headers.size());
            }
            memcpy(r.data() + url, e.url.c_str(), e.url.size() + 1);
            if (!e.file.empty()) memcpy(r.data() + file, e.file.c_str(), e.file.size() + 1);
            memcpy(r.data() + headers, e.headers.c_str(), e.headers.size());
        }
        size_t blocks = (r.size() + 127) / 128;
        r.resize(blocks * 128, 0);
        Put32(r, 4, (DWORD)blocks);
        out.insert(out.end(), r.begin(), r.end());
    }
};
