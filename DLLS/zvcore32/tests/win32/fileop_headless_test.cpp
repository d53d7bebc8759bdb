// Without a display the progress window cannot be made: creation fails
// instead of waiting for a window forever.
#include <windows.h>

#include <gtest/gtest.h>

#include "zvcore32.h"

TEST(FileOpHeadless, CreationFailsWithoutAWindow) {
    HZVFILEOP op = zvCreateFileOpA(nullptr, 0);
    if (op) {
        zvCloseFileOp(op);
        GTEST_SKIP() << "a display is available";
    }
    EXPECT_EQ(zvGetErrCode(), 0x7A76FFFFu);
    EXPECT_FALSE(zvOperateFileOpA(op, ZV_FO_DELETE, "x", nullptr, 0));
    EXPECT_EQ(zvGetErrCode(), 0x7A760004u);
}
