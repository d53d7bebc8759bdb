// PNG stays in the decoder chain but is left to the next decoder.
#include "zvdib.h"

ZV_EXPORT(HZVDIB) zvConvertPngToDib(const BYTE*, DWORD, void*, DibInfo*) {
    return zvGdiFail(ZVPIX_ERR_UNSUPPORTED_IMAGE);
}
