// The Qt application the windows live in, text and font conversion, the
// wait cursor and the paint bridge.
#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLibraryInfo>
#include <QTranslator>
#include <QLineEdit>
#include <QMainWindow>
#include <QPaintEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QProxyStyle>
#include <QScreen>
#include <QStyleFactory>

#include <clocale>
#include <cstdlib>
#include <vector>

#include "platform/base/codepage.h"
#include "platform/ui/qt/hwnd.h"
#include "platform/ui/winapp.h"

namespace qv::ui {
namespace {

int g_waitDepth = 0;
std::vector<PaintContext*> g_paints;

// Installed Japanese faces standing in for the program's Windows faces:
// IPA fonts keep the metrics of the faces they replace, Noto is the
// fallback.
void AddFontSubstitutes() {
  const QStringList proportional{"IPAPGothic", "IPAexGothic", "Noto Sans CJK JP", "Noto Sans JP"};
  const QStringList fixed{"IPAGothic", "IPAexGothic", "Noto Sans Mono CJK JP", "Noto Sans CJK JP"};
  QFont::insertSubstitutions(QString::fromUtf8("ＭＳ Ｐゴシック"), proportional);
  QFont::insertSubstitutions(QStringLiteral("MS PGothic"), proportional);
  QFont::insertSubstitutions(QStringLiteral("MS UI Gothic"), proportional);
  QFont::insertSubstitutions(QString::fromUtf8("ＭＳ ゴシック"), fixed);
  QFont::insertSubstitutions(QStringLiteral("MS Gothic"), fixed);
  QFont::insertSubstitutions(QStringLiteral("MS Shell Dlg"), proportional);
  QFont::insertSubstitutions(QStringLiteral("MS Shell Dlg 2"), proportional);
}

QString FirstInstalled(const QStringList& families) {
  const QStringList have = QFontDatabase::families();
  for (const QString& f : families) {
    if (have.contains(f, Qt::CaseInsensitive)) return f;
  }
  return QString();
}

// The colours of the classic Windows look.
void SetClassicColors(QPalette& pal) {
  const QColor face(240, 240, 240);
  pal.setColor(QPalette::Window, face);
  pal.setColor(QPalette::Button, face);
  pal.setColor(QPalette::Base, Qt::white);
  pal.setColor(QPalette::AlternateBase, QColor(245, 245, 245));
  pal.setColor(QPalette::WindowText, Qt::black);
  pal.setColor(QPalette::ButtonText, Qt::black);
  pal.setColor(QPalette::Text, Qt::black);
  pal.setColor(QPalette::Highlight, QColor(0, 120, 215));
  pal.setColor(QPalette::HighlightedText, Qt::white);
  pal.setColor(QPalette::Disabled, QPalette::WindowText, QColor(109, 109, 109));
  pal.setColor(QPalette::Disabled, QPalette::Text, QColor(109, 109, 109));
  pal.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(109, 109, 109));
  pal.setColor(QPalette::Light, Qt::white);
  pal.setColor(QPalette::Midlight, QColor(227, 227, 227));
  pal.setColor(QPalette::Mid, QColor(160, 160, 160));
  pal.setColor(QPalette::Dark, QColor(105, 105, 105));
  pal.setColor(QPalette::Shadow, QColor(64, 64, 64));
  pal.setColor(QPalette::ToolTipBase, QColor(255, 255, 225));
  pal.setColor(QPalette::ToolTipText, Qt::black);
}

// Fusion with the classic colours in the palette it polishes, the one every
// widget starts from. Set as the application's palette instead, they would
// give each widget a palette copy of its own; Fusion keys the drawings it
// keeps in Qt's pixmap cache (button faces, list headers) by the palette, so
// a form built again (the frame builds its forms again at every view switch)
// would never find the drawings of the one before and add its own, some
// 0.7 MB a run until the cache's 10 MB are full.
class ClassicStyle : public QProxyStyle {
 public:
  explicit ClassicStyle(QStyle* base) : QProxyStyle(base) {}
  using QProxyStyle::polish;
  void polish(QPalette& pal) override {
    QProxyStyle::polish(pal);
    SetClassicColors(pal);
    // A palette the widgets inherit, not one set by the user.
    pal.setResolveMask(0);
  }
};

void SetClassicLook(QApplication& app) {
  app.setStyle(new ClassicStyle(QStyleFactory::create(QStringLiteral("Fusion"))));
  QFont f(QString::fromUtf8("ＭＳ Ｐゴシック"));
  const QString face2 = FirstInstalled({"IPAPGothic", "IPAexGothic", "Noto Sans CJK JP"});
  if (!face2.isEmpty()) f.setFamily(face2);
  f.setPixelSize(MulDiv(9, ScreenDpi(), 72));
  app.setFont(f);
}

int g_argc = 1;
char g_arg0[] = "Quarvex";
char* g_argv[] = {g_arg0, nullptr};

}  // namespace

void PrepareAppEnvironment() {
  // The program scales by the screen's dots per inch itself.
  if (qEnvironmentVariableIsEmpty("QT_ENABLE_HIGHDPI_SCALING")) qputenv("QT_ENABLE_HIGHDPI_SCALING", "0");
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
      qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
  }
}

void FinishAppSetup(QApplication& app) {
  // Qt sets the locale from the environment; the program's texts and
  // numbers follow the "C" locale.
  std::setlocale(LC_ALL, "C");
  // Qt's own dialogs (the file pickers) speak Japanese like the program.
  static QTranslator qtTexts;
  if (qtTexts.load(QStringLiteral("qtbase_ja"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    app.installTranslator(&qtTexts);
  }
  AddFontSubstitutes();
  SetClassicLook(app);
  app.setQuitOnLastWindowClosed(false);
}

void EnsureApp() {
  if (QCoreApplication::instance() != nullptr) return;
  PrepareAppEnvironment();
  static QApplication* app = new QApplication(g_argc, g_argv);
  FinishAppSetup(*app);
}

QString ToQ(std::string_view cp932) {
  std::string utf8;
  if (!qv::Cp932ToUtf8(cp932, utf8)) utf8 = qv::Cp932ToUtf8Lossy(cp932);
  return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

std::string Cp932Of(const char* utf8) { return qv::Utf8ToCp932Lossy(utf8 ? utf8 : ""); }

std::string FromQ(const QString& text) {
  const QByteArray utf8 = text.toUtf8();
  return qv::Utf8ToCp932Lossy(std::string_view(utf8.constData(), static_cast<size_t>(utf8.size())));
}

int ScreenDpi() {
  EnsureApp();
  QScreen* s = QGuiApplication::primaryScreen();
  const int dpi = s ? qRound(s->logicalDotsPerInchX()) : 96;
  return dpi > 0 ? dpi : 96;
}

QFont DialogFont(const char* face, int points) {
  EnsureApp();
  QFont f(ToQ(face ? face : ""));
  // Qt resolves substitutes when it matches; asking for the installed face
  // directly keeps metrics stable when the face name itself is unknown.
  const QStringList subs = QFont::substitutes(f.family());
  const QString installed = FirstInstalled(subs);
  if (!installed.isEmpty()) f.setFamily(installed);
  f.setPixelSize(std::max(1, MulDiv(points, ScreenDpi(), 72)));
  return f;
}

void BaseUnits(const char*, int points, int& baseX, int& baseY) {
  // The Japanese dialog faces have half-width characters of half the em and
  // a character cell of the em: base units follow the em of the font.
  const int em = std::max(1, MulDiv(points, ScreenDpi(), 72));
  baseX = std::max(1, (em + 1) / 2);
  baseY = em;
}

void WaitCursor(int delta) {
  if (QCoreApplication::instance() == nullptr) return;
  if (delta > 0) {
    ++g_waitDepth;
    QApplication::setOverrideCursor(Qt::WaitCursor);
  } else if (delta < 0) {
    if (g_waitDepth > 0) {
      --g_waitDepth;
      QApplication::restoreOverrideCursor();
    }
  } else if (g_waitDepth > 0) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    QApplication::restoreOverrideCursor();
  }
}

QWidget* OwnerWidget(CWnd* owner) {
  if (owner && IsLive(owner->m_hWnd) && owner->m_hWnd->widget) return owner->m_hWnd->widget->window();
  if (QApplication::instance() == nullptr) return nullptr;
  if (QWidget* modal = QApplication::activeModalWidget()) return modal;
  CWinApp* app = AfxGetApp();
  if (app && app->m_pMainWnd && IsLive(app->m_pMainWnd->m_hWnd)) return app->m_pMainWnd->m_hWnd->widget;
  return QApplication::activeWindow();
}

void SetText(HWND h, std::string_view cp932) {
  if (!IsLive(h)) return;
  QWidget* w = h->widget;
  QString t = ToQ(cp932);
  h->textBytes.assign(cp932.data(), cp932.size());
  if (w == nullptr) {
    h->textShown = t;
    h->textKnown = true;
    return;
  }
  if (auto* e = qobject_cast<QPlainTextEdit*>(w)) {
    // Multi-line edits hold CR LF line ends; Qt shows line feeds.
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    const QSignalBlocker block(e);
    e->setPlainText(t);
  } else if (auto* le = qobject_cast<QLineEdit*>(w)) {
    le->setText(t);
    le->setCursorPosition(0);
  } else if (auto* l = qobject_cast<QLabel*>(w)) {
    // A vertically centred static text is a single line on the platform:
    // line breaks in its text are not shown (the text reads back whole).
    if (h->kind == Kind::Static && (h->style & SS_CENTERIMAGE)) {
      t.remove(QLatin1Char('\r'));
      t.remove(QLatin1Char('\n'));
    }
    l->setText(t);
  } else if (auto* b = qobject_cast<QAbstractButton*>(w)) {
    b->setText(t);
  } else if (auto* g = qobject_cast<QGroupBox*>(w)) {
    g->setTitle(t);
  } else if (w->isWindow()) {
    w->setWindowTitle(t);
  }
  h->textShown = t;
  h->textKnown = true;
}

std::string GetText(HWND h) {
  if (!IsLive(h)) return {};
  QWidget* w = h->widget;
  QString t;
  bool multiLine = false;
  if (w == nullptr) {
    t = h->textShown;
  } else if (auto* e = qobject_cast<QPlainTextEdit*>(w)) {
    t = e->toPlainText();
    multiLine = true;
  } else if (auto* le = qobject_cast<QLineEdit*>(w)) {
    t = le->text();
  } else if (auto* l = qobject_cast<QLabel*>(w)) {
    t = l->text();
  } else if (auto* b = qobject_cast<QAbstractButton*>(w)) {
    t = b->text();
  } else if (auto* g = qobject_cast<QGroupBox*>(w)) {
    t = g->title();
  } else if (auto* c = qobject_cast<QComboBox*>(w)) {
    t = c->currentText();
  } else if (w->isWindow()) {
    t = w->windowTitle();
  } else {
    t = h->textShown;
  }
  QString shown = h->textShown;
  if (multiLine) shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  if (h->textKnown && t == shown) return h->textBytes;
  if (multiLine) t.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
  return FromQ(t);
}

WndWidget::WndWidget(QWidget* parent) : QWidget(parent) { setAutoFillBackground(true); }

void WndWidget::paintEvent(QPaintEvent* event) {
  if (!PaintThroughMessage(this, event)) QWidget::paintEvent(event);
}

PaintContext* CurrentPaint(QWidget* w) {
  if (w == nullptr) return nullptr;
  for (auto it = g_paints.rbegin(); it != g_paints.rend(); ++it) {
    if ((*it)->widget == w) return *it;
  }
  return nullptr;
}

bool PaintThroughMessage(QWidget* w, QPaintEvent* event) {
  HWND h = HandleOf(w);
  if (!IsLive(h) || h->wnd == nullptr || h->destroying || !h->wnd->HasHandler(WM_PAINT)) return false;
  QPainter painter(w);
  PaintContext pc{w, &painter, event ? event->rect() : w->rect()};
  g_paints.push_back(&pc);
  h->wnd->SendMessage(WM_PAINT, 0, 0);
  g_paints.pop_back();
  return true;
}

UINT VirtualKey(int k) {
  if (k >= Qt::Key_A && k <= Qt::Key_Z) return static_cast<UINT>('A' + (k - Qt::Key_A));
  if (k >= Qt::Key_0 && k <= Qt::Key_9) return static_cast<UINT>('0' + (k - Qt::Key_0));
  if (k >= Qt::Key_F1 && k <= Qt::Key_F24) return static_cast<UINT>(VK_F1 + (k - Qt::Key_F1));
  switch (k) {
    case Qt::Key_Left:
      return VK_LEFT;
    case Qt::Key_Right:
      return VK_RIGHT;
    case Qt::Key_Up:
      return VK_UP;
    case Qt::Key_Down:
      return VK_DOWN;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      return VK_RETURN;
    case Qt::Key_Escape:
      return VK_ESCAPE;
    case Qt::Key_Tab:
      return VK_TAB;
    case Qt::Key_Backspace:
      return VK_BACK;
    case Qt::Key_Delete:
      return VK_DELETE;
    case Qt::Key_Insert:
      return VK_INSERT;
    case Qt::Key_Home:
      return VK_HOME;
    case Qt::Key_End:
      return VK_END;
    case Qt::Key_PageUp:
      return VK_PRIOR;
    case Qt::Key_PageDown:
      return VK_NEXT;
    case Qt::Key_Space:
      return VK_SPACE;
    case Qt::Key_Shift:
      return VK_SHIFT;
    case Qt::Key_Control:
      return VK_CONTROL;
    case Qt::Key_Alt:
      return VK_MENU;
    case Qt::Key_Menu:
      return VK_APPS;
    default:
      return 0;
  }
}

}  // namespace qv::ui

namespace qv {
int WaitCursorDepth() { return ui::g_waitDepth; }
}  // namespace qv
