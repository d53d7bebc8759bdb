// Windows bitmap files: the packed DIB after the file header is used in
// place, so the handle wraps the caller's buffer.
#include "zvdib.h"

ZV_EXPORT(HZVDIB) zvConvertBmpToDib(const BYTE* data, DWORD size, void*, DibInfo* info) {
    if (!data || !info) return zvGdiFail(ZVPIX_ERR_BAD_ARGUMENT);
    if (info->size != DIBINFO_SIZE) return zvGdiFail(ZVPIX_ERR_RECORD_SIZE);
    if (size < sizeof(BITMAPFILEHEADER) || data[0] != 'B' || data[1] != 'M') return zvGdiFail(ZVPIX_ERR_DAMAGED);
    return zvWrapPackedDib(data + sizeof(BITMAPFILEHEADER), size - sizeof(BITMAPFILEHEADER), info);
}
