// The main frame's resources: menus, toolbar, accelerators, strings and
// pictures.
#include "platform/ui/messages.h"
#include "res/resource.h"
#include "res/tables.h"

#include "res/bitmaps/about_scroll.xpm"
#include "res/bitmaps/mainicon.xpm"
#include "res/bitmaps/question.xpm"
#include "res/bitmaps/title_logo.xpm"
#include "res/bitmaps/toolbar.xpm"
#include "res/bitmaps/filtericon.xpm"
#include "res/bitmaps/state_diff.xpm"
#include "res/bitmaps/state_new.xpm"
#include "res/bitmaps/state_old.xpm"
#include "res/bitmaps/state_same.xpm"

namespace qv::res {
namespace {

using R = MenuRow;

const MenuItem kMainMenu[] = {
    {R::Popup, 0, "ファイル(&F)"},
    {R::Item, ID_FILE_NEW, "新規作成(&N)\tCtrl+N"},
    {R::Item, ID_FILE_OPEN, "開く(&O)...\tCtrl+O"},
    {R::Item, ID_FILE_SAVE, "上書き保存(&S)\tCtrl+S"},
    {R::Item, ID_FILE_SAVE_AS, "名前を付けて保存(&A)..."},
    {R::Separator, 0, ""},
    {R::Item, ID_FILE_INFO, "ファイル情報(&I)"},
    {R::Separator, 0, ""},
    {R::Item, ID_FILE_MRU_FILE1, "最新のファイル", MF_GRAYED},
    {R::Separator, 0, ""},
    {R::Item, ID_APP_EXIT, "アプリケーションの終了(&X)"},
    {R::End, 0, ""},
    {R::Popup, 0, "表示(&V)"},
    {R::Item, ID_VIEW_TOOLBAR, "ツールバー(&T)"},
    {R::Item, ID_VIEW_STATUS_BAR, "ステータスバー(&S)"},
    {R::Separator, 0, ""},
    {R::Item, ID_VIEW_OPERATION, "操作(&O)"},
    {R::Item, ID_VIEW_FILE, "ファイル(&R)"},
    {R::Separator, 0, ""},
    {R::Item, ID_LIST_STATE, "ファイル情報リスト表示(&C)"},
    {R::Item, ID_LIST_COMMENT, "ファイル修正コメント表示(&M)"},
    {R::End, 0, ""},
    {R::Popup, 0, "ユーティリティ(&U)"},
    {R::Item, ID_ENV_SETTING, "システム環境設定(&E)..."},
    {R::End, 0, ""},
    {R::Popup, 0, "ヘルプ(&H)"},
    {R::Item, ID_APP_ABOUT, "バージョン情報  (&A)..."},
    {R::End, 0, ""},
};

// The list's context menu: popup 0 for compare mode, popup 1 for list mode.
const MenuItem kListPopup[] = {
    {R::Popup, 0, "比較"},
    {R::Item, ID_LIST_DVD_COMMENT, "ＤＶＤコメント設定"},
    {R::End, 0, ""},
    {R::Popup, 0, "リスト"},
    {R::Item, ID_LIST_DVD_COMMENT, "DVDコメント設定"},
    {R::End, 0, ""},
};

const Accelerator kMainAccel[] = {
    {'N', kCtrl, ID_FILE_NEW},
    {'O', kCtrl, ID_FILE_OPEN},
    {'S', kCtrl, ID_FILE_SAVE},
    {VK_F1, 0, ID_HELP},
    {VK_F1, kShift, ID_CONTEXT_HELP},
};

const UINT kMainToolbarButtons[] = {
    ID_FILE_NEW,   ID_FILE_OPEN,    ID_FILE_SAVE, 0, ID_VIEW_OPERATION, ID_VIEW_FILE, 0,
    ID_LIST_STATE, ID_LIST_COMMENT, 0,            ID_EXPORT_CSV,      0,            ID_ENV_SETTING,
    0,             ID_OPEN_MANUAL,  0,            ID_EXPLORER,        ID_APP_ABOUT,
};

}  // namespace

const MenuTemplate kMenus[] = {
    {IDR_MAINFRAME, kMainMenu, sizeof kMainMenu / sizeof kMainMenu[0]},
    {IDR_LIST_POPUP, kListPopup, sizeof kListPopup / sizeof kListPopup[0]},
};
const size_t kMenuCount = sizeof kMenus / sizeof kMenus[0];

const AcceleratorTable kAccelerators[] = {
    {IDR_MAINFRAME, kMainAccel, sizeof kMainAccel / sizeof kMainAccel[0]},
};
const size_t kAcceleratorCount = sizeof kAccelerators / sizeof kAccelerators[0];

const ToolbarTemplate kToolbars[] = {
    {IDR_MAINFRAME, IDR_MAINFRAME, 16, 15, kMainToolbarButtons,
     sizeof kMainToolbarButtons / sizeof kMainToolbarButtons[0]},
};
const size_t kToolbarCount = sizeof kToolbars / sizeof kToolbars[0];

// The string table: document string, application title, and for each
// command its status-bar prompt, a line feed and its tool tip.
const StringEntry kStrings[] = {
    {IDR_MAINFRAME,
     "Quarvex(Quarvex)\n\nQuarvex(Quarvex)\nQuarvex Files (*.qvx)\n.qvx\nQuarvex.Document\nQuarvex Document"},
    {IDP_OLE_INIT_FAILED,
     "OLE の初期化に失敗しました。OLE ライブラリが正しいバージョンのものか確認してください。"},
    {AFX_IDS_APP_TITLE, "Zekora(ZEK)"},
    {AFX_IDS_IDLEMESSAGE, "レディ"},
    {IDS_ENV_SHEET_CAPTION, "システム環境設定"},
    {ID_FILE_NEW, "新規にファイルを作成\n新規作成"},
    {ID_FILE_OPEN, "既存のファイルを開く\n開く"},
    {ID_FILE_SAVE, "アクティブなファイルを上書きして保存\n上書き保存"},
    {ID_FILE_SAVE_AS, "アクティブなファイルを名前を付けて保存\n名前を付けて保存"},
    {ID_FILE_MRU_FILE1, "指定のファイルを開く"},
    {ID_FILE_MRU_FILE2, "指定のファイルを開く"},
    {ID_FILE_MRU_FILE3, "指定のファイルを開く"},
    {ID_FILE_MRU_FILE4, "指定のファイルを開く"},
    {ID_APP_EXIT, "アプリケーションを終了し、ファイルの保存を指示\n終了"},
    {ID_APP_ABOUT, "プログラムの情報、バージョンそして著作権を表示\nバージョン情報"},
    {ID_VIEW_TOOLBAR, "ツールバーの表示/非表示\nツールバーの表示切り替え"},
    {ID_VIEW_STATUS_BAR, "ステータスバーの表示/非表示\nステータスバーの表示切り替え"},
    {ID_HELP_FINDER, "ヘルプ トピックの一覧を表示\nヘルプ トピック"},
    {ID_HELP, "現在の作業についてのヘルプを表示\nヘルプ"},
    {ID_CONTEXT_HELP, "選んだボタン、メニュー、ウィンドウについてのヘルプを表示\nヘルプ"},
    {ID_VIEW_OPERATION, "ファイル操作指定をします。\nファイル操作"},
    {ID_VIEW_FILE, "ファイル情報表示をします。\nファイル情報"},
    {ID_LIST_STATE, "ファイル情報を状態表示します。\n状態表示"},
    {ID_LIST_DATE, "ファイル情報を日付表示します。\n日付表示"},
    {ID_LIST_DETAIL, "ファイル情報を詳細表示します。\n詳細表示"},
    {ID_LIST_VERSION, "ファイル情報をバージョン表示します。\nバージョン表示"},
    {ID_SIDE_NEW, "ファイル(NEW)の情報を表示します。\nファイル(NEW)"},
    {ID_SIDE_OLD, "ファイル(OLD)の情報を表示します。\nファイル(OLD)"},
    {ID_RUN_ZEKFILE, "Zekora(ZEKFile)を起動します。\nZekora(ZEKFile)起動"},
    {ID_EXPORT_CSV, "DVDファイル情報をEXCEL表示します。\nDVDファイル情報のEXCEL表示"},
    {ID_EXTRACT_COPY, "ファイルリストを抽出コピーします。\nファイルリスト抽出コピー"},
    {ID_ENV_SETTING, "ファイル操作環境を設定します。\n環境設定"},
    {ID_EXPLORER, "ファイルエクスプローラーを起動します。\nエクスプローラー"},
    {ID_SHOW_DIFF_FILES, "異なるファイルを表示\n異なるファイル"},
    {ID_SHOW_NEW_FILES, "新規ファイルを表示\n新規ファイル"},
    {ID_SHOW_DELETED_FILES, "削除ファイルを表示\n削除ファイル"},
    {ID_SHOW_SAME_FILES, "同じファイルを表示\n同じファイル"},
    {ID_OPEN_MANUAL, "Quarvex取扱説明書を開きます。\nQuarvex取扱説明書"},
    {ID_EXTRACT_FOLDER_SETTING, "選択ファイルの抽出先フォルダを設定します。\n選択ファイル抽出先フォルダ設定"},
    {ID_LIST_REVERT_TO_OLD, "ファイル(OLD)をコピーして修正無しの状態に戻す。"},
    {ID_INDICATOR_KANA, "カナ"},
    {ID_INDICATOR_CAPS, "CAP"},
    {ID_INDICATOR_NUM, "NUM"},
    {ID_INDICATOR_SCRL, "SCRL"},
};
const size_t kStringCount = sizeof kStrings / sizeof kStrings[0];

const ImageEntry kBitmaps[] = {
    {IDR_MAINFRAME, xpm_toolbar},
    {IDB_ABOUT_SCROLL, xpm_about_scroll},
    {IDB_TITLE_LOGO, xpm_title_logo},
    {IDB_STATE_DIFF, xpm_state_diff},
    {IDB_STATE_NEW, xpm_state_new},
    {IDB_STATE_OLD, xpm_state_old},
    {IDB_STATE_SAME, xpm_state_same},
};
const size_t kBitmapCount = sizeof kBitmaps / sizeof kBitmaps[0];

const ImageEntry kIcons[] = {
    {IDR_MAINFRAME, xpm_mainicon},
    {IDI_QUESTION_DLG, xpm_question},
    {IDI_FILTER_DLG, xpm_filtericon},
};
const size_t kIconCount = sizeof kIcons / sizeof kIcons[0];

}  // namespace qv::res
