// The engine reports messages by number; the string table gives their texts.
// Each number keeps its documented text, so a number moved in the engine's
// header, or a text moved in the table, fails here.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "afxwin.h"
#include "resource.h"

namespace {

struct DocumentedMessage {
    UINT id;           // the engine's constant
    UINT number;       // its documented number
    const char* text;  // its documented text, UTF-8
};

const DocumentedMessage kEngineMessages[] = {
    {IDS_BUILDING_REBUILD, 12, u8"再構築フォルダからツリーを作っています．．．"},
    {IDS_BUILDING_CACHE, 13, u8"キャッシュからツリーを作っています．．．"},
    {IDS_COMPARING, 14, u8"新しくなったファイルを探しています．．．"},
    {IDS_READY, 15, u8"左クリック：コピーチェック(Ｃ)、右クリック：削除チェック(Ｄ)をつけて、実行を押して下さい。"},
    {IDS_ASK_DELETE, 16, u8"ファイルを削除してもいいですか？"},
    {IDS_DOWNLOAD_LIST_FAILED, 17, u8"ダウンロード・リストが、書き込めませんでした。"},
    {IDS_NO_TIME, 26, u8"なし"},
    {IDS_OPEN_FAILED, 30, u8"オープンできませんでした。"},
    {IDS_WARN_FILE_AT_FOLDER, 31,
     u8"フォルダ作成中に、同じ名前のファイルがありました。区別のため、このファイルには、末尾に日付が追加されます。"},
    {IDS_WARN_SAME_FILE, 32,
     u8"すでに同じ名前のファイルがあります。区別のため、このファイルには、末尾に日付が追加されます。"},
    {IDS_WARN_SAME_FOLDER, 33,
     u8"すでに同じ名前のフォルダがあります。区別のため、このファイルには、末尾に日付が追加されます。"},
    {IDS_WARN_NAME_CLASH, 35, u8"ファイル名とフォルダ名が衝突しているため、検索できません。"},
    {IDS_WARN_TIME_TOO_EARLY, 36,
     u8"VFAT で表現できる時間の範疇にありません。強制的に、1980/01/01 12:00:00 UTC に調整します。"},
    {IDS_WARN_TIME_TOO_LATE, 37,
     u8"VFAT で表現できる時間の範疇にありません。強制的に、2107/12/31 11:59:58 UTC に調整します。"},
    {IDS_LIST_FAILED, 39, u8"一覧表作成に失敗しました。"},
    {IDS_NO_MEMORY_SEARCH, 40, u8"メモリ不足により、検索できませんでした。"},
    {IDS_NO_MEMORY_TITLES, 41, u8"メモリ不足により、タイトルが付けられません。\nタイトルなしで作成します。"},
    {IDS_NO_MEMORY_CONVERT, 42, u8"メモリ不足により、変換できませんでした。"},
    {IDS_NO_MEMORY_COMPARE, 1250, u8"メモリ不足により、キャッシュと再構築フォルダを比較できませんでした。"},
    {IDS_CANNOT_READ, 44, u8"%s が読み込めませんでした。"},
    {IDS_NAME_EXISTS, 47, u8"指定されたﾌｧｲﾙ名はすでに存在します。別の名前を指定して下さい。"},
    {IDS_RENAME_FAILED, 48, u8"名前の変更に失敗しました。\n書込み禁止になっていないか確認して下さい。"},
    {IDS_MOVE_TARGET_EXISTS, 49, u8"移動先に同一名のファイルが存在しているため、移動できません。"},
    {IDS_NO_KEYWORD, 52, u8"何かキーワードを入れて下さい。"},
    {IDS_RESULT_FILE_FAILED, 53, u8"検索結果ファイル作成に失敗しました。"},
    {IDS_RESULT_PAGE_UNREADABLE, 61, u8"検索結果ファイルの読み取りに失敗しました。"},
    {IDS_PICTURE_RESULT_FAILED, 62, u8"画像データ検索結果ファイル作成に失敗しました。"},
    {IDS_DL_FETCHING, 67, u8"DL中..."},
    {IDS_DL_FETCHED, 68, u8"DL済"},
    {IDS_LINE_COPYING, 1230, u8"コピー : %s"},
    {IDS_LINE_MOVING, 1231, u8"移動 : %s"},
    {IDS_LINE_DELETING, 1232, u8"削除 : %s"},
    {IDS_RENAME_INTERNAL, 88, u8"%s\nRenameFileWithTime() の内部エラー\nz.v に連絡して下さい。"},
    {IDS_ASK_RENAME_OLD, 89, u8"%s\n古いファイルのリネームに失敗しました。\n処理を継続しますか？"},
    {IDS_ASK_MAKE_FOLDER, 90, u8"%s\nフォルダの作成に失敗しました。\n処理を継続しますか？"},
    {IDS_ASK_WRITE_BACK, 92, u8"%s\n再構築ファイルのコピーに失敗しました。\n処理を継続しますか？"},
    {IDS_ASK_COPY_CACHE, 93, u8"%s\nキャッシュファイルのコピーに失敗しました。\n処理を継続しますか？"},
    {IDS_ASK_DELETE_REBUILD, 94, u8"%s\n再構築ファイルの削除に失敗しました。\n処理を継続しますか？"},
    {IDS_ASK_DELETE_CACHE, 95, u8"%s\nキャッシュファイルの削除に失敗しました。\n処理を継続しますか？"},
    {IDS_ASK_MOVE_FILE, 97, u8"%s\nファイルの移動に失敗しました。\n処理を継続しますか？"},
    {IDS_WARN_CACHE_UNREADABLE, 1180, u8"キャッシュフォルダの索引ファイル (index.dat) が読めません。"},
    {IDS_WARN_CACHE_DAMAGED, 1181, u8"索引ファイル (index.dat) の壊れた部分を読み飛ばしました。"},
};

std::string ShiftJis(const char* utf8) {
    wchar_t wide[1024];
    int n = MultiByteToWideChar(CP_UTF8, 0, utf8, -1, wide, 1024);
    char text[2048];
    if (n <= 0 || !WideCharToMultiByte(932, 0, wide, -1, text, sizeof text, nullptr, nullptr)) return "?";
    return text;
}

TEST(EngineMessages, EveryNumberHoldsItsDocumentedText) {
    for (const DocumentedMessage& m : kEngineMessages) {
        EXPECT_EQ(m.number, m.id) << m.text;
        EXPECT_EQ(ShiftJis(m.text), std::string(AfxLoadText(m.number))) << "string " << m.number;
    }
}

}  // namespace
