// What the picture scan needs from its surroundings besides files, kept
// behind interfaces so the engine runs on the host, in the dialog and from
// the command line.
#pragma once
#include <string>
#include <vector>

#include "tree/treemodel.h"
#include "zvdib.h"
#include "zvtypes.h"

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
