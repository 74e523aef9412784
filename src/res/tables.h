// The program's resource tables, one file each, put together by
// resources.cpp.
#pragma once

#include "platform/ui/resources.h"

namespace qv::res {

// The resources of the whole program.
const ResourceSet* ProgramResources();

extern const MenuTemplate kMenus[];
extern const size_t kMenuCount;
extern const AcceleratorTable kAccelerators[];
extern const size_t kAcceleratorCount;
extern const ToolbarTemplate kToolbars[];
extern const size_t kToolbarCount;
extern const StringEntry kStrings[];
extern const size_t kStringCount;
extern const ImageEntry kBitmaps[];
extern const size_t kBitmapCount;
extern const ImageEntry kIcons[];
extern const size_t kIconCount;

// Dialog templates.
extern const DialogTemplate kDlgZekView;        // 102
extern const DialogTemplate kDlgOperationForm;  // 305
extern const DialogTemplate kDlgSourceForm;     // 306
extern const DialogTemplate kDlgTitleForm;      // 307
extern const DialogTemplate kDlgAbout;          // 120
extern const DialogTemplate kDlgFormDlg;        // 133
extern const DialogTemplate kDlgFormDlgSel;     // 136
extern const DialogTemplate kDlgMessageBoxOW;   // 134
extern const DialogTemplate kDlgMessageBoxDEL;  // 311
extern const DialogTemplate kDlgRevComment;     // 308
extern const DialogTemplate kDlgFileInfo;       // 106
extern const DialogTemplate kDlgDiffFileInfo;   // 113
extern const DialogTemplate kDlgEnvCommand;        // 103
extern const DialogTemplate kDlgEnvFolder;         // 125
extern const DialogTemplate kDlgEnvListMode;       // 128
extern const DialogTemplate kDlgEnvOpeMode;        // 132
extern const DialogTemplate kDlgFileTypeSelect;     // 309
extern const DialogTemplate kDlgFileTypeSelectChk;  // 312

}  // namespace qv::res
