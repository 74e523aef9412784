// Puts the program's resource tables together.
#include "res/tables.h"

namespace qv::res {
namespace {

const DialogTemplate* const kDialogs[] = {
    &kDlgZekView, &kDlgOperationForm, &kDlgSourceForm, &kDlgTitleForm, &kDlgAbout,
    &kDlgFormDlg, &kDlgFormDlgSel,
    &kDlgMessageBoxOW, &kDlgMessageBoxDEL, &kDlgRevComment, &kDlgFileInfo, &kDlgDiffFileInfo,
    &kDlgEnvCommand, &kDlgEnvFolder, &kDlgEnvListMode, &kDlgEnvOpeMode, &kDlgFileTypeSelect, &kDlgFileTypeSelectChk,
};

const ResourceSet kProgram = {
    kDialogs,      sizeof kDialogs / sizeof kDialogs[0],
    kMenus,        kMenuCount,
    kAccelerators, kAcceleratorCount,
    kToolbars,     kToolbarCount,
    kStrings,      kStringCount,
    kBitmaps,      kBitmapCount,
    kIcons,        kIconCount,
};

}  // namespace

const ResourceSet* ProgramResources() { return &kProgram; }

}  // namespace qv::res
