// What the picture scan needs from its surroundings, kept behind interfaces
// so the engine runs on the host, in the dialog and from the command line.
#pragma once
#include <string>
#include <vector>

#include "base/filesystem.h"
#include "tree/treemodel.h"
#include "zvdib.h"
#include "zvtypes.h"

class IPictureFiles {
public:
    virtual ~IPictureFiles() {}
    // Entries of folder (a path ending with "\"), "." and ".." left out.
    virtual bool ListFolder(const char* folder, std::vector<DirEntry>& out) = 0;
    // Reads up to size bytes at offset into buffer; false when the file cannot
    // be opened, else true with *got the bytes read (0 past the end).
    virtual bool ReadAt(const char* path, DWORD offset, void* buffer, DWORD size, DWORD* got) = 0;
    virtual bool ReadWhole(const char* path, std::vector<BYTE>& out) = 0;
    // Replaces path with data (through a temporary file beside it).
    virtual bool WriteWhole(const char* path, const void* data, size_t size) = 0;
};

// The registered Susie plug-ins, as the picture scan uses them.
class IPicturePlugins {
public:
    virtual ~IPicturePlugins() {}
    virtual int Count() = 0;
    virtual const char* Extension(int plugin) = 0;
    // Width and height of a picture file (offset 0, then 128).
    virtual bool PictureSize(int plugin, const char* path, int* width, int* height) = 0;
    // Decodes a file image (with the retry 128 bytes on) into a packed DIB:
    // header, colours and pixels in one block owned by the caller.
    virtual bool Decode(int plugin, const BYTE* data, DWORD size, std::vector<BYTE>& packedDib) = 0;
};

// Draws a thumbnail's name: a 1-bit DIB, entry 0 the text, entry 1 the
// background, or null when it cannot be made.
class ICaptionMaker {
public:
    virtual ~ICaptionMaker() {}
    virtual HZVDIB MakeCaption(int width, int height, const char* text, DibInfo* info) = 0;
};

// How the scan reports: status line, progress counts, messages of the
// program's string table (%s filled with arg).
class IPictureScanReport {
public:
    virtual ~IPictureScanReport() {}
    virtual void Status(const char* text) = 0;
    virtual void Progress(const char* text) = 0;
    virtual void Message(UINT id, const char* arg) = 0;
};
