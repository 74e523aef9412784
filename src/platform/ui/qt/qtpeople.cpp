// The people in front of the screen: message boxes, dialogs and pickers
// shown with Qt.
#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>

#include <string>
#include <vector>

#include "platform/base/codepage.h"
#include "platform/os/paths.h"
#include "platform/ui/prompt.h"
#include "platform/ui/qt/hwnd.h"
#include "platform/ui/winapp.h"

namespace qv::ui {
namespace {

QString FolderToOs(const char* winFolder) {
  if (winFolder == nullptr || *winFolder == 0) return QDir::currentPath();
  std::string os;
  if (!qv::ToOsPath(winFolder, os)) return QDir::currentPath();
  const QString q = QString::fromUtf8(os.c_str());
  return QFileInfo(q).isDir() ? q : QDir::currentPath();
}

// The framework's filter text ("name|patterns|...||") as Qt filters.
// Programs on Linux have no ".exe": a pattern for them also shows every file.
QStringList QtFilters(const char* filter) {
  QStringList out;
  if (filter == nullptr || *filter == 0) return out;
  const QRegularExpression word(QStringLiteral("\\*\\.[A-Za-z0-9_]+"));
  const QStringList fields = ToQ(filter).split(QLatin1Char('|'));
  for (int i = 0; i + 1 < fields.size(); i += 2) {
    const QString name = fields[i].trimmed();
    QString patterns = fields[i + 1].trimmed();
    if (name.isEmpty()) break;
    if (patterns.isEmpty()) {
      // "name  *.ext||": the patterns stand in the name (an empty pattern
      // would show no file at all).
      QStringList words;
      for (auto it = word.globalMatch(name); it.hasNext();) words << it.next().captured(0);
      words.removeDuplicates();
      patterns = words.isEmpty() ? QStringLiteral("*") : words.join(' ');
    }
    patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
    if (patterns.contains(QStringLiteral("*.exe"), Qt::CaseInsensitive)) patterns += QStringLiteral(" *");
    out << QStringLiteral("%1 (%2)").arg(name, patterns);
  }
  if (out.isEmpty()) {
    // A filter without '|' separators: its patterns are the "*." words.
    QStringList patterns;
    for (auto it = word.globalMatch(ToQ(filter)); it.hasNext();) patterns << it.next().captured(0);
    if (patterns.contains(QStringLiteral("*.exe"), Qt::CaseInsensitive)) patterns << QStringLiteral("*");
    patterns.removeDuplicates();
    if (!patterns.isEmpty()) out << QStringLiteral("%1 (%2)").arg(ToQ(filter).trimmed(), patterns.join(' '));
  }
  return out;
}

bool BackToWindows(const QString& osPath, std::string& chosen) {
  const QByteArray utf8 = osPath.toUtf8();
  if (qv::FromOsPath(std::string_view(utf8.constData(), static_cast<size_t>(utf8.size())), chosen)) return true;
  const std::string shown = qv::Utf8ToCp932Lossy(std::string_view(utf8.constData(), static_cast<size_t>(utf8.size())));
  AfxMessageBox((shown + Cp932Of("\n\nこの名前は文字コード932で表せないため、扱えません。")).c_str(), MB_OK | MB_ICONEXCLAMATION);
  return false;
}

class QtPeople final : public People {
 public:
  int Message(const MessageRequest& r) override {
    QMessageBox box(OwnerWidget(nullptr));
    box.setWindowTitle(ToQ(r.caption ? r.caption : ""));
    box.setText(ToQ(r.text ? r.text : ""));
    switch (r.type & MB_ICONMASK) {
      case MB_ICONHAND:
        box.setIcon(QMessageBox::Critical);
        break;
      case MB_ICONQUESTION:
        box.setIcon(QMessageBox::Question);
        break;
      case MB_ICONEXCLAMATION:
        box.setIcon(QMessageBox::Warning);
        break;
      case MB_ICONASTERISK:
        box.setIcon(QMessageBox::Information);
        break;
      default:
        box.setIcon(QMessageBox::NoIcon);
        break;
    }
    struct Choice {
      int id;
      const char* text;
      QMessageBox::ButtonRole role;
    };
    std::vector<Choice> choices;
    switch (r.type & MB_TYPEMASK) {
      case MB_OKCANCEL:
        choices = {{IDOK, "OK", QMessageBox::AcceptRole}, {IDCANCEL, "キャンセル", QMessageBox::RejectRole}};
        break;
      case MB_ABORTRETRYIGNORE:
        choices = {{IDABORT, "中止(&A)", QMessageBox::RejectRole},
                   {IDRETRY, "再試行(&R)", QMessageBox::AcceptRole},
                   {IDIGNORE, "無視(&I)", QMessageBox::AcceptRole}};
        break;
      case MB_YESNOCANCEL:
        choices = {{IDYES, "はい(&Y)", QMessageBox::YesRole},
                   {IDNO, "いいえ(&N)", QMessageBox::NoRole},
                   {IDCANCEL, "キャンセル", QMessageBox::RejectRole}};
        break;
      case MB_YESNO:
        choices = {{IDYES, "はい(&Y)", QMessageBox::YesRole}, {IDNO, "いいえ(&N)", QMessageBox::NoRole}};
        break;
      case MB_RETRYCANCEL:
        choices = {{IDRETRY, "再試行(&R)", QMessageBox::AcceptRole}, {IDCANCEL, "キャンセル", QMessageBox::RejectRole}};
        break;
      default:
        choices = {{IDOK, "OK", QMessageBox::AcceptRole}};
        break;
    }
    std::vector<QAbstractButton*> buttons;
    for (const Choice& c : choices) buttons.push_back(box.addButton(QString::fromUtf8(c.text), c.role));
    const size_t def = std::min<size_t>((r.type & MB_DEFMASK) >> 8, buttons.size() - 1);
    box.setDefaultButton(static_cast<QPushButton*>(buttons[def]));
    // Esc and the close box give Cancel where there is one (OK in an OK box);
    // a yes/no question has to be answered.
    for (size_t i = 0; i < choices.size(); ++i) {
      if (choices[i].id == IDCANCEL || (choices.size() == 1 && choices[i].id == IDOK)) box.setEscapeButton(buttons[i]);
    }
    box.exec();
    for (size_t i = 0; i < buttons.size(); ++i) {
      if (box.clickedButton() == buttons[i]) return choices[i].id;
    }
    return SafeAnswer(r.type);
  }

  int Dialog(const DialogRequest& r, std::string*) override {
    if (!r.showModal) return r.cancelAnswer;
    return r.showModal({});
  }

  bool PickFile(const FileRequest& r, std::string& chosen) override {
    QFileDialog dlg(OwnerWidget(nullptr));
    dlg.setOption(QFileDialog::DontUseNativeDialog, true);
    dlg.setAcceptMode(r.open ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
    dlg.setFileMode(r.open ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    if (!(r.flags & 0x00000002u)) dlg.setOption(QFileDialog::DontConfirmOverwrite, true);
    QString title = ToQ(r.title ? r.title : "");
    if (title.isEmpty()) title = QString::fromUtf8(r.open ? "開く" : "名前を付けて保存");
    dlg.setWindowTitle(title);
    const QStringList filters = QtFilters(r.filter);
    if (!filters.isEmpty()) dlg.setNameFilters(filters);
    if (r.defaultExt && *r.defaultExt) dlg.setDefaultSuffix(ToQ(r.defaultExt));
    dlg.setDirectory(FolderToOs(r.initialFolder));
    if (r.fileName && *r.fileName) {
      std::string os;
      if (qv::ToOsPath(r.fileName, os) && QFileInfo(QString::fromUtf8(os.c_str())).isAbsolute() &&
          std::string(r.fileName).find('\\') != std::string::npos) {
        dlg.selectFile(QString::fromUtf8(os.c_str()));
      } else {
        dlg.selectFile(ToQ(r.fileName));
      }
    }
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return false;
    return BackToWindows(dlg.selectedFiles().first(), chosen);
  }

  bool PickFolder(const FolderRequest& r, std::string& chosen) override {
    QFileDialog dlg(OwnerWidget(nullptr));
    dlg.setOption(QFileDialog::DontUseNativeDialog, true);
    dlg.setFileMode(QFileDialog::Directory);
    dlg.setOption(QFileDialog::ShowDirsOnly, true);
    dlg.setWindowTitle(ToQ(r.title ? r.title : ""));
    dlg.setDirectory(FolderToOs(r.initialFolder));
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return false;
    return BackToWindows(dlg.selectedFiles().first(), chosen);
  }
};

}  // namespace

void InstallQtPeople() {
  static QtPeople people;
  qv::SetPeople(&people);
}

}  // namespace qv::ui
