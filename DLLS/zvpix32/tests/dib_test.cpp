#include <gtest/gtest.h>
#include <string.h>

#include <vector>

#include "zvpix32.h"

namespace {

DibInfo NewInfo() {
    DibInfo info;
    memset(&info, 0xCD, sizeof(info));
    info.size = DIBINFO_SIZE;
    return info;
}

}  // namespace

TEST(DibInfoRecord, SizeOtherThan64Refused) {
    DibInfo info = NewInfo();
    info.size = 63;
    EXPECT_EQ(zvCreateDIBitmap(4, 4, 8, &info), nullptr);
    EXPECT_EQ(zvGdiGetErrCode(), 0x7A760005u);
}
