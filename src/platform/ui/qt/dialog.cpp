// Dialogs from templates, data exchange, property sheets and the file
// dialog.
#include <QAbstractButton>
#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QEventLoop>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

#include <cstdlib>
#include <cstring>
#include <limits>

#include "platform/base/mbstring.h"
#include "platform/base/safecrt.h"
#include "platform/ui/dialog.h"
#include "platform/ui/prompt.h"
#include "platform/ui/qt/controls_impl.h"
#include "platform/ui/qt/hwnd.h"
#include "platform/ui/resources.h"

IMPLEMENT_DYNAMIC(CDialog, CWnd)
IMPLEMENT_DYNAMIC(CPropertyPage, CDialog)
IMPLEMENT_DYNAMIC(CPropertySheet, CWnd)
IMPLEMENT_DYNAMIC(CFileDialog, CDialog)

namespace qv::ui {
namespace {

// The top-level window of a dialog or sheet: its keys and close box become
// the commands the dialog manager sends.
class DialogWidget : public QDialog {
 public:
  explicit DialogWidget(QWidget* parent) : QDialog(parent) { setAutoFillBackground(true); }

  void reject() override { SendCommand(IDCANCEL); }
  void accept() override { SendCommand(IDOK); }

 protected:
  void closeEvent(QCloseEvent* e) override {
    e->ignore();
    SendCommand(IDCANCEL);
  }
  void keyPressEvent(QKeyEvent* e) override {
    if ((e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) && e->modifiers() == Qt::NoModifier) {
      // The default button answers Enter; without one the dialog gets IDOK.
      for (QPushButton* pb : findChildren<QPushButton*>()) {
        if (pb->isDefault() && pb->isVisible()) {
          if (pb->isEnabled()) pb->click();
          return;
        }
      }
      SendCommand(IDOK);
      return;
    }
    if (e->key() == Qt::Key_Escape) {
      SendCommand(IDCANCEL);
      return;
    }
    QDialog::keyPressEvent(e);
  }
  void paintEvent(QPaintEvent* event) override {
    if (!PaintThroughMessage(this, event)) QDialog::paintEvent(event);
  }

 private:
  void SendCommand(int id) {
    HWND h = HandleOf(this);
    if (IsLive(h) && h->wnd) h->wnd->SendMessage(WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
  }
};

// A dialog inside another window (a form view, a property page): an Enter
// that no control of it took (a one-line edit passes it on, a multi-line
// edit that wants Enter keeps it) presses its default button, as the
// dialog manager does for the window that has the focus. Without a default
// button the key goes on to the window around it (a sheet's OK).
class ChildDialogWidget : public WndWidget {
 public:
  using WndWidget::WndWidget;

 protected:
  void keyPressEvent(QKeyEvent* e) override {
    const bool enter = e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter;
    if (enter && (e->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
      for (QPushButton* pb : findChildren<QPushButton*>()) {
        if (pb->isDefault() && pb->isVisible()) {
          e->accept();
          if (pb->isEnabled()) pb->click();
          return;
        }
      }
    }
    WndWidget::keyPressEvent(e);
  }
};

void CenterOn(QWidget* w, QWidget* owner) {
  QRect area;
  if (owner) {
    area = owner->window()->frameGeometry();
  } else if (QScreen* s = w->screen()) {
    area = s->availableGeometry();
  }
  if (area.isValid()) w->move(area.center() - QPoint(w->width() / 2, w->height() / 2));
}

}  // namespace

// A dialog's window from its template; `container` (may be null) holds a
// child dialog (a page); a top-level dialog is owned by the owner's window.
HWND CreateDialogWindow(CWnd* dlg, const qv::res::DialogTemplate& t, CWnd* parent, QWidget* container, bool child) {
  EnsureApp();
  QWidget* w = nullptr;
  Kind kind = Kind::Dialog;
  if (child) {
    QWidget* holder = container ? container : (parent ? ContainerOf(parent->m_hWnd) : nullptr);
    w = new ChildDialogWidget(holder);
    kind = Kind::Page;
  } else {
    auto* d = new DialogWidget(parent ? OwnerWidget(parent) : nullptr);
    d->setWindowTitle(ToQ(t.caption ? t.caption : ""));
    d->setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    w = d;
  }
  HWND h = Register(dlg, w, kind, parent ? parent->m_hWnd : nullptr, 0, t.style, 0);
  BaseUnits(t.face, t.points, h->baseX, h->baseY);
  const QRect r = DialogRect(h, 0, 0, t.cx, t.cy);
  if (child) {
    w->setGeometry(0, 0, r.width(), r.height());
  } else {
    w->setFixedSize(r.width(), r.height());
  }
  const QFont font = DialogFont(t.face, t.points);
  w->setFont(font);
  CreateTemplateControls(h, t, font);
  return h;
}

// The first control that takes the focus, in template order.
void FocusFirst(HWND h) {
  for (HWND k : h->children) {
    if ((k->style & WS_TABSTOP) && k->widget && k->widget->isVisibleTo(h->widget) && k->widget->isEnabled()) {
      k->widget->setFocus(Qt::OtherFocusReason);
      if (auto* le = qobject_cast<QLineEdit*>(k->widget.data())) le->selectAll();
      return;
    }
  }
}

}  // namespace qv::ui


// ---------------------------------------------------------------------------

HWND CDataExchange::PrepareCtrl(int nIDC) {
  m_idLastControl = nIDC;
  m_bEditLastControl = FALSE;
  return ::GetDlgItem(m_pDlgWnd ? m_pDlgWnd->m_hWnd : nullptr, nIDC);
}

HWND CDataExchange::PrepareEditCtrl(int nIDC) {
  HWND h = PrepareCtrl(nIDC);
  m_bEditLastControl = TRUE;
  return h;
}

void CDataExchange::Fail() {
  if (m_pDlgWnd && !m_bSaveAndValidate) throw CUserException();
  if (CWnd* ctl = m_pDlgWnd ? m_pDlgWnd->GetDlgItem(m_idLastControl) : nullptr) {
    ctl->SetFocus();
    if (m_bEditLastControl) {
      if (auto* e = dynamic_cast<CEdit*>(ctl)) e->SetSel(0, -1);
    }
  }
  throw CUserException();
}

namespace {

CString FormatFramework(UINT id, const char* a1 = nullptr, const char* a2 = nullptr) {
  CString text = qv::FrameworkString(id) ? qv::FrameworkString(id) : "";
  if (a1) text.Replace("%1", a1);
  if (a2) text.Replace("%2", a2);
  return text;
}

// Text of a control; a missing control reads as empty and takes nothing.
bool ReadText(CDataExchange* pDX, HWND h, CString& out) {
  if (h == nullptr) return false;
  out = CString(std::string_view(qv::ui::GetText(h)));
  return true;
}

bool ParseInt(const CString& text, long long& out) {
  CString t = text;
  t.Trim();
  if (t.IsEmpty()) return false;
  char* end = nullptr;
  errno = 0;
  out = std::strtoll(t.GetString(), &end, 10);
  return errno == 0 && end && *end == 0;
}

// The buttons of the radio group that begins with the control nIDC.
std::vector<HWND> RadioGroup(HWND dlg, int nIDC) {
  std::vector<HWND> group;
  if (!qv::ui::IsLive(dlg)) return group;
  bool in = false;
  for (HWND k : dlg->children) {
    if (!in) {
      if (k->id == nIDC) {
        in = true;
        group.push_back(k);
      }
      continue;
    }
    if (k->style & WS_GROUP) break;
    if (qobject_cast<QRadioButton*>(k->widget.data())) group.push_back(k);
  }
  return group;
}

}  // namespace

void DDX_Text(CDataExchange* pDX, int nIDC, CString& value) {
  HWND h = pDX->PrepareEditCtrl(nIDC);
  if (h == nullptr) return;
  if (pDX->m_bSaveAndValidate) {
    ReadText(pDX, h, value);
  } else {
    qv::ui::SetText(h, value.View());
    qv::ui::RefreshStaticColors(h);
  }
}

namespace {
// A number field: a text that is no number or lies outside the type's range
// stops the exchange with the framework's message.
template <typename T>
void ExchangeNumber(CDataExchange* pDX, int nIDC, T& value, const char* format) {
  HWND h = pDX->PrepareEditCtrl(nIDC);
  if (h == nullptr) return;
  if (pDX->m_bSaveAndValidate) {
    CString text;
    ReadText(pDX, h, text);
    long long v = 0;
    if (!ParseInt(text, v) || v < static_cast<long long>(std::numeric_limits<T>::min()) ||
        v > static_cast<long long>(std::numeric_limits<T>::max())) {
      AfxMessageBox(FormatFramework(AFX_IDP_PARSE_INT), MB_OK | MB_ICONEXCLAMATION);
      pDX->Fail();
    }
    value = static_cast<T>(v);
  } else {
    CString text;
    text.Format(format, value);
    qv::ui::SetText(h, text.View());
  }
}
}  // namespace

void DDX_Text(CDataExchange* pDX, int nIDC, int& value) { ExchangeNumber(pDX, nIDC, value, "%d"); }

void DDX_Text(CDataExchange* pDX, int nIDC, UINT& value) { ExchangeNumber(pDX, nIDC, value, "%u"); }

void DDX_Text(CDataExchange* pDX, int nIDC, LPTSTR value, int nMaxLen) {
  HWND h = pDX->PrepareEditCtrl(nIDC);
  if (h == nullptr || value == nullptr || nMaxLen <= 0) return;
  if (pDX->m_bSaveAndValidate) {
    CString text;
    ReadText(pDX, h, text);
    strncpy_s(value, static_cast<size_t>(nMaxLen), text, _TRUNCATE);
  } else {
    qv::ui::SetText(h, value);
  }
}

void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl) {
  if (rControl.m_hWnd != nullptr) return;
  HWND h = pDX->PrepareCtrl(nIDC);
  if (h == nullptr) return;
  rControl.Attach(h);
}

void DDX_Check(CDataExchange* pDX, int nIDC, int& value) {
  HWND h = pDX->PrepareCtrl(nIDC);
  if (h == nullptr || h->wnd == nullptr) return;
  if (pDX->m_bSaveAndValidate) {
    value = static_cast<int>(h->wnd->SendMessage(BM_GETCHECK, 0, 0));
  } else {
    h->wnd->SendMessage(BM_SETCHECK, static_cast<WPARAM>(value), 0);
  }
}

void DDX_Radio(CDataExchange* pDX, int nIDC, int& value) {
  pDX->PrepareCtrl(nIDC);
  const std::vector<HWND> group = RadioGroup(pDX->m_pDlgWnd ? pDX->m_pDlgWnd->m_hWnd : nullptr, nIDC);
  if (group.empty()) return;
  if (pDX->m_bSaveAndValidate) {
    value = -1;
    for (size_t i = 0; i < group.size(); ++i) {
      if (group[i]->wnd && group[i]->wnd->SendMessage(BM_GETCHECK, 0, 0) == BST_CHECKED) value = static_cast<int>(i);
    }
  } else {
    for (size_t i = 0; i < group.size(); ++i) {
      if (group[i]->wnd) group[i]->wnd->SendMessage(BM_SETCHECK, static_cast<int>(i) == value ? BST_CHECKED : BST_UNCHECKED, 0);
    }
  }
}

void DDX_CBIndex(CDataExchange* pDX, int nIDC, int& index) {
  HWND h = pDX->PrepareCtrl(nIDC);
  auto* combo = h ? dynamic_cast<CComboBox*>(h->wnd) : nullptr;
  if (combo == nullptr) return;
  if (pDX->m_bSaveAndValidate) {
    index = combo->GetCurSel();
  } else {
    combo->SetCurSel(index);
  }
}

void DDX_LBIndex(CDataExchange* pDX, int nIDC, int& index) {
  HWND h = pDX->PrepareCtrl(nIDC);
  auto* list = h ? dynamic_cast<CListBox*>(h->wnd) : nullptr;
  if (list == nullptr) return;
  if (pDX->m_bSaveAndValidate) {
    index = list->GetCurSel();
  } else {
    list->SetCurSel(index);
  }
}

void DDV_MinMaxInt(CDataExchange* pDX, int value, int minVal, int maxVal) {
  if (!pDX->m_bSaveAndValidate) return;
  if (value < minVal || value > maxVal) {
    CString lo, hi;
    lo.Format("%d", minVal);
    hi.Format("%d", maxVal);
    AfxMessageBox(FormatFramework(AFX_IDP_PARSE_INT_RANGE, lo, hi), MB_OK | MB_ICONEXCLAMATION);
    pDX->Fail();
  }
}

void DDV_MaxChars(CDataExchange* pDX, const CString& value, int nChars) {
  if (pDX->m_bSaveAndValidate && value.GetLength() > nChars) {
    CString n;
    n.Format("%d", nChars);
    AfxMessageBox(CString(qv::ui::Cp932Of("最大 ").c_str()) + n + qv::ui::Cp932Of(" 文字までです。").c_str(), MB_OK | MB_ICONEXCLAMATION);
    pDX->Fail();
  }
}

// ---------------------------------------------------------------------------

BEGIN_MESSAGE_MAP(CDialog, CWnd)
  ON_COMMAND(IDOK, &CDialog::OnOK)
  ON_COMMAND(IDCANCEL, &CDialog::OnCancel)
END_MESSAGE_MAP()

CDialog::CDialog(UINT nIDTemplate, CWnd* pParentWnd) : m_nIDHelp(nIDTemplate), m_nIDTemplate(nIDTemplate), m_pParentWnd(pParentWnd) {}

CDialog::~CDialog() {
  if (m_pLoop) static_cast<QEventLoop*>(m_pLoop)->quit();
}

CString CDialog::GetPromptText() const { return CString(); }
void CDialog::SetScriptedText(const CString&) {}
int CDialog::GetCancelAnswer() const { return IDCANCEL; }

BOOL CDialog::CreateFromTemplate(UINT nIDTemplate, CWnd* pParentWnd, bool child) {
  const qv::res::DialogTemplate* t = qv::res::FindDialog(nIDTemplate);
  if (t == nullptr || m_hWnd != nullptr) return FALSE;
  qv::ui::CreateDialogWindow(this, *t, pParentWnd, nullptr, child);
  return m_hWnd != nullptr;
}

INT_PTR CDialog::DoModal() {
  if (qv::res::FindDialog(m_nIDTemplate) == nullptr) return -1;
  const CString text = GetPromptText();
  CWnd* shown = this;
  bool ran = false;
  qv::DialogRequest request{GetRuntimeClass()->m_lpszClassName, text, GetCancelAnswer(),
                            [this, &ran](const std::function<void()>& whileShown) -> int {
                              ran = true;
                              m_nModalResult = -1;
                              if (!CreateFromTemplate(m_nIDTemplate, m_pParentWnd, false)) return -1;
                              return RunModalLoop(whileShown);
                            },
                            &shown};
  std::string answer;
  const qv::OpenQuestion open;
  const int result = qv::GetPeople().Dialog(request, &answer);
  if (!ran && !answer.empty()) SetScriptedText(CString(std::string_view(answer)));
  m_nModalResult = result;
  return result;
}

int CDialog::RunModalLoop(const std::function<void()>& onShown) {
  QWidget* w = m_hWnd ? m_hWnd->widget.data() : nullptr;
  if (w == nullptr) return -1;
  m_bModal = TRUE;
  if (OnInitDialog() && qv::ui::IsLive(m_hWnd)) qv::ui::FocusFirst(m_hWnd);
  int result = m_nModalResult;
  if (result == -1 && qv::ui::IsLive(m_hWnd)) {
    w->setWindowModality(Qt::ApplicationModal);
    qv::ui::CenterOn(w, w->parentWidget());
    w->show();
    w->raise();
    w->activateWindow();
    QEventLoop loop;
    m_pLoop = &loop;
    if (onShown) QTimer::singleShot(0, &loop, onShown);
    if (m_nModalResult == -1) loop.exec(QEventLoop::DialogExec);
    m_pLoop = nullptr;
    result = m_nModalResult;
  }
  m_bModal = FALSE;
  if (qv::ui::IsLive(m_hWnd)) DestroyWindow();
  return result == -1 ? GetCancelAnswer() : result;
}

BOOL CDialog::Create(UINT nIDTemplate, CWnd* pParentWnd) {
  m_nIDTemplate = nIDTemplate;
  m_pParentWnd = pParentWnd;
  if (!CreateFromTemplate(nIDTemplate, pParentWnd, false)) return FALSE;
  if (OnInitDialog() && qv::ui::IsLive(m_hWnd)) qv::ui::FocusFirst(m_hWnd);
  if (qv::ui::IsLive(m_hWnd) && (m_hWnd->style & WS_VISIBLE)) ShowWindow(SW_SHOW);
  return qv::ui::IsLive(m_hWnd);
}

BOOL CDialog::OnInitDialog() {
  UpdateData(FALSE);
  return TRUE;
}

void CDialog::OnOK() {
  if (!UpdateData(TRUE)) return;
  EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

void CDialog::EndDialog(int nResult) {
  m_nModalResult = nResult;
  if (m_bModal) {
    if (m_pLoop) static_cast<QEventLoop*>(m_pLoop)->quit();
  } else if (qv::ui::IsLive(m_hWnd)) {
    // A modeless dialog only hides; it stays for the next showing.
    ShowWindow(SW_HIDE);
  }
}

void CDialog::MapDialogRect(LPRECT lpRect) const {
  if (lpRect == nullptr) return;
  const QRect r = qv::ui::DialogRect(qv::ui::IsLive(m_hWnd) ? m_hWnd : nullptr, lpRect->left, lpRect->top,
                                     lpRect->right - lpRect->left, lpRect->bottom - lpRect->top);
  *lpRect = RECT{r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
}

void CDialog::GotoDlgCtrl(CWnd* pWndCtrl) {
  if (pWndCtrl == nullptr) return;
  pWndCtrl->SetFocus();
  if (auto* le = qobject_cast<QLineEdit*>(qv::ui::IsLive(pWndCtrl->m_hWnd) ? pWndCtrl->m_hWnd->widget.data() : nullptr)) {
    le->selectAll();
  }
}

void CDialog::NextDlgCtrl() const {
  if (CWnd* next = GetNextDlgTabItem(GetFocus())) next->SetFocus();
}

void CDialog::SetDefID(UINT nID) {
  if (!qv::ui::IsLive(m_hWnd)) return;
  for (HWND k : m_hWnd->children) {
    if (auto* pb = qobject_cast<QPushButton*>(k->widget.data())) pb->setDefault(k->id == static_cast<int>(nID));
  }
}

LRESULT CDialog::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CLOSE) {
    SendMessage(WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    return 0;
  }
  // The window goes while its modal loop runs (with the window it belongs
  // to): the loop ends, as cancelled, instead of waiting for ever.
  if (message == WM_DESTROY && m_pLoop) static_cast<QEventLoop*>(m_pLoop)->quit();
  return CWnd::DefWindowProc(message, wParam, lParam);
}

// ---------------------------------------------------------------------------

CPropertyPage::CPropertyPage(UINT nIDTemplate, UINT nIDCaption) : CDialog(nIDTemplate), m_nIDCaption(nIDCaption) {}

CString CPropertyPage::GetTabTitle() const {
  if (m_nIDCaption) {
    CString s;
    if (s.LoadString(m_nIDCaption)) return s;
  }
  const qv::res::DialogTemplate* t = qv::res::FindDialog(m_nIDTemplate);
  return t && t->caption ? CString(t->caption) : CString();
}

BOOL CPropertyPage::OnSetActive() {
  if (m_bFirstSetActive) {
    m_bFirstSetActive = FALSE;
  } else {
    UpdateData(FALSE);
  }
  return TRUE;
}

BOOL CPropertyPage::OnKillActive() { return UpdateData(TRUE); }

BOOL CPropertyPage::OnApply() {
  OnOK();
  return TRUE;
}

void CPropertyPage::OnReset() { OnCancel(); }
void CPropertyPage::OnOK() {}
void CPropertyPage::OnCancel() {}

CPropertySheet::CPropertySheet(UINT nIDCaption, CWnd* pParentWnd, UINT iSelectPage)
    : m_pParentWnd(pParentWnd), m_nActive(static_cast<int>(iSelectPage)) {
  m_strCaption.LoadString(nIDCaption);
}

CPropertySheet::CPropertySheet(LPCTSTR pszCaption, CWnd* pParentWnd, UINT iSelectPage)
    : m_strCaption(pszCaption), m_pParentWnd(pParentWnd), m_nActive(static_cast<int>(iSelectPage)) {}

// The pages are the caller's and may be gone already: they are not touched.
CPropertySheet::~CPropertySheet() {
  if (m_pLoop) static_cast<QEventLoop*>(m_pLoop)->quit();
}

void CPropertySheet::AddPage(CPropertyPage* pPage) {
  if (pPage == nullptr) return;
  pPage->m_pSheet = this;
  m_pages.push_back(pPage);
}

void CPropertySheet::RemovePage(int nPage) {
  if (nPage < 0 || nPage >= GetPageCount()) return;
  m_pages.erase(m_pages.begin() + nPage);
}

CPropertyPage* CPropertySheet::GetPage(int nPage) const {
  return nPage >= 0 && nPage < GetPageCount() ? m_pages[static_cast<size_t>(nPage)] : nullptr;
}

CPropertyPage* CPropertySheet::GetActivePage() const { return GetPage(m_nActive); }

void CPropertySheet::SetTitle(LPCTSTR lpszText) {
  m_strCaption = lpszText ? lpszText : "";
  if (qv::ui::IsLive(m_hWnd)) SetWindowText(m_strCaption);
}

void CPropertySheet::BuildWindow() {
  qv::ui::EnsureApp();
  auto* d = new qv::ui::DialogWidget(qv::ui::OwnerWidget(m_pParentWnd));
  d->setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  HWND h = qv::ui::Register(this, d, qv::ui::Kind::Dialog, m_pParentWnd ? m_pParentWnd->m_hWnd : nullptr, 0,
                            WS_POPUP | WS_CAPTION | WS_SYSMENU, 0);
  SetWindowText(m_strCaption);
  auto* tabs = new QTabWidget(d);
  tabs->setObjectName(QStringLiteral("qv_sheet_tabs"));
  QSize largest(0, 0);
  for (CPropertyPage* p : m_pages) {
    auto* holder = new QWidget(tabs);
    holder->setAutoFillBackground(true);
    tabs->addTab(holder, qv::ui::ToQ(p->GetTabTitle().View()));
    const qv::res::DialogTemplate* t = qv::res::FindDialog(p->m_nIDTemplate);
    if (t) {
      int bx = 0;
      int by = 0;
      qv::ui::BaseUnits(t->face, t->points, bx, by);
      largest = largest.expandedTo(QSize(MulDiv(t->cx, bx, 4), MulDiv(t->cy, by, 8)));
    }
    holder->setMinimumSize(largest);
  }
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  auto addButton = [&](int id, const char* text) {
    auto* b = new QPushButton(QString::fromUtf8(text), d);
    b->setObjectName(QString("qv_sheet_button_%1").arg(id));
    b->setAutoDefault(false);
    buttons->addWidget(b);
    return b;
  };
  QPushButton* ok = addButton(IDOK, "OK");
  ok->setDefault(true);
  QPushButton* cancel = addButton(IDCANCEL, "キャンセル");
  if (!(m_psh.dwFlags & PSH_NOAPPLYNOW)) addButton(0x3021, "適用(&A)")->setEnabled(false);
  if (m_psh.dwFlags & PSH_HASHELP) addButton(0xE146, "ヘルプ")->setEnabled(false);
  auto* layout = new QVBoxLayout(d);
  layout->setContentsMargins(7, 7, 7, 7);
  layout->addWidget(tabs);
  layout->addLayout(buttons);
  QObject::connect(ok, &QPushButton::clicked, d, [this]() { PressOK(); });
  QObject::connect(cancel, &QPushButton::clicked, d, [this]() { PressCancel(); });
  QObject::connect(tabs, &QTabWidget::currentChanged, d, [this, tabs](int index) {
    if (index == m_nActive) return;
    CPropertyPage* old = GetActivePage();
    if (old && old->m_hWnd && !old->OnKillActive()) {
      const QSignalBlocker block(tabs);
      tabs->setCurrentIndex(m_nActive);
      return;
    }
    ActivatePage(index);
  });
  (void)h;
  if (m_nActive < 0 || m_nActive >= GetPageCount()) m_nActive = 0;
  {
    const QSignalBlocker block(tabs);
    tabs->setCurrentIndex(m_nActive);
  }
  ActivatePage(m_nActive);
  d->adjustSize();
  d->setFixedSize(d->sizeHint());
}

BOOL CPropertySheet::ActivatePage(int nPage) {
  CPropertyPage* p = GetPage(nPage);
  if (p == nullptr || !qv::ui::IsLive(m_hWnd)) return FALSE;
  auto* tabs = m_hWnd->widget->findChild<QTabWidget*>(QStringLiteral("qv_sheet_tabs"));
  m_nActive = nPage;
  if (p->m_hWnd == nullptr && tabs) {
    const qv::res::DialogTemplate* t = qv::res::FindDialog(p->m_nIDTemplate);
    if (t == nullptr) return FALSE;
    qv::ui::CreateDialogWindow(p, *t, this, tabs->widget(nPage), true);
    if (p->m_hWnd) {
      p->m_hWnd->widget->show();
      p->OnInitDialog();
    }
  }
  p->OnSetActive();
  return TRUE;
}

BOOL CPropertySheet::SetActivePage(int nPage) {
  if (nPage < 0 || nPage >= GetPageCount()) return FALSE;
  if (!qv::ui::IsLive(m_hWnd)) {
    m_nActive = nPage;
    return TRUE;
  }
  auto* tabs = m_hWnd->widget->findChild<QTabWidget*>(QStringLiteral("qv_sheet_tabs"));
  if (tabs) tabs->setCurrentIndex(nPage);
  return m_nActive == nPage;
}

BOOL CPropertySheet::PressOK() {
  CPropertyPage* active = GetActivePage();
  if (active && active->m_hWnd && !active->OnKillActive()) return FALSE;
  for (CPropertyPage* p : m_pages) {
    if (p->m_hWnd && !p->OnApply()) return FALSE;
  }
  EndDialog(IDOK);
  return TRUE;
}

void CPropertySheet::PressCancel() {
  for (CPropertyPage* p : m_pages) {
    if (p->m_hWnd) p->OnReset();
  }
  EndDialog(IDCANCEL);
}

LRESULT CPropertySheet::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_DESTROY && m_pLoop) static_cast<QEventLoop*>(m_pLoop)->quit();
  return CWnd::DefWindowProc(message, wParam, lParam);
}

void CPropertySheet::EndDialog(int nResult) {
  m_nModalResult = nResult;
  if (m_pLoop) static_cast<QEventLoop*>(m_pLoop)->quit();
}

INT_PTR CPropertySheet::DoModal() {
  CWnd* shown = this;
  qv::DialogRequest request{
      GetRuntimeClass()->m_lpszClassName, m_strCaption, IDCANCEL,
      [this](const std::function<void()>& whileShown) -> int {
        m_nModalResult = -1;
        BuildWindow();
        QWidget* w = m_hWnd ? m_hWnd->widget.data() : nullptr;
        if (w == nullptr) return IDCANCEL;
        w->setWindowModality(Qt::ApplicationModal);
        qv::ui::CenterOn(w, w->parentWidget());
        w->show();
        QEventLoop loop;
        m_pLoop = &loop;
        if (whileShown) QTimer::singleShot(0, &loop, whileShown);
        if (m_nModalResult == -1) loop.exec(QEventLoop::DialogExec);
        m_pLoop = nullptr;
        const int result = m_nModalResult == -1 ? IDCANCEL : m_nModalResult;
        DestroyWindow();
        for (CPropertyPage* p : m_pages) p->m_bFirstSetActive = TRUE;
        return result;
      },
      &shown};
  const qv::OpenQuestion open;
  const int result = qv::GetPeople().Dialog(request, nullptr);
  m_nModalResult = result;
  return result;
}

// The sheet's commands: the close box and Esc cancel, Enter is OK.
BEGIN_MESSAGE_MAP(CPropertySheet, CWnd)
  ON_COMMAND(IDOK, &CPropertySheet::OnSheetOK)
  ON_COMMAND(IDCANCEL, &CPropertySheet::OnSheetCancel)
END_MESSAGE_MAP()

// ---------------------------------------------------------------------------

CFileDialog::CFileDialog(BOOL bOpenFileDialog, LPCTSTR lpszDefExt, LPCTSTR lpszFileName, DWORD dwFlags,
                         LPCTSTR lpszFilter, CWnd* pParentWnd, DWORD, BOOL)
    : CDialog(0, pParentWnd), m_bOpenFileDialog(bOpenFileDialog) {
  std::memset(&m_ofn, 0, sizeof m_ofn);
  m_ofn.lStructSize = sizeof m_ofn;
  m_ofn.Flags = dwFlags | OFN_EXPLORER;
  m_strDefExt = lpszDefExt ? lpszDefExt : "";
  m_strFilter = lpszFilter ? lpszFilter : "";
  m_ofn.lpstrDefExt = m_strDefExt.IsEmpty() ? nullptr : m_strDefExt.GetString();
  m_ofn.lpstrFilter = m_strFilter.GetString();
  if (lpszFileName) strncpy_s(m_szFileName, sizeof m_szFileName, lpszFileName, _TRUNCATE);
  m_ofn.lpstrFile = m_szFileName;
  m_ofn.nMaxFile = sizeof m_szFileName;
}

INT_PTR CFileDialog::DoModal() {
  const qv::FileRequest request{m_bOpenFileDialog != FALSE,
                                m_ofn.lpstrTitle ? m_ofn.lpstrTitle : "",
                                m_strFilter.GetString(),
                                m_ofn.lpstrDefExt ? m_ofn.lpstrDefExt : "",
                                m_ofn.lpstrInitialDir ? m_ofn.lpstrInitialDir : "",
                                m_ofn.lpstrFile ? m_ofn.lpstrFile : "",
                                m_ofn.Flags};
  std::string chosen;
  const qv::OpenQuestion open;
  if (!qv::GetPeople().PickFile(request, chosen)) return IDCANCEL;
  if (m_ofn.lpstrFile == nullptr || m_ofn.nMaxFile == 0 || chosen.size() >= m_ofn.nMaxFile) {
    // A path that does not fit would name another file.
    AfxMessageBox(CString(std::string_view(chosen)) + qv::ui::Cp932Of("\n\nファイル名が長すぎます。").c_str(), MB_OK | MB_ICONEXCLAMATION);
    return IDCANCEL;
  }
  std::memcpy(m_ofn.lpstrFile, chosen.c_str(), chosen.size() + 1);
  return IDOK;
}

CString CFileDialog::GetPathName() const { return CString(m_ofn.lpstrFile ? m_ofn.lpstrFile : ""); }

CString CFileDialog::GetFileName() const {
  const CString path = GetPathName();
  const char* last = reinterpret_cast<const char*>(_mbsrchr(reinterpret_cast<const unsigned char*>(path.GetString()), '\\'));
  return last ? CString(last + 1) : path;
}

CString CFileDialog::GetFileExt() const {
  const CString name = GetFileName();
  const int dot = name.ReverseFind('.');
  return dot < 0 ? CString() : name.Mid(dot + 1);
}

CString CFileDialog::GetFileTitle() const {
  const CString name = GetFileName();
  const int dot = name.ReverseFind('.');
  return dot < 0 ? name : name.Left(dot);
}
