#include "ui/qt_desktop_shell.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

#include <unistd.h>

#include <cstdio>

#include "base/format_text.h"
#include "platform/file_system.h"
#include "search/search_texts.h"

namespace mardo {
namespace {

using Failure = ShellResult::Failure;

QString Native(const std::string& path) {
  return QFile::decodeName(QByteArray(path.data(), static_cast<qsizetype>(path.size())));
}

// The file's MIME type, then the types it is a kind of, nearest first (shared-mime-info's
// subclasses, as the database knows them).
std::vector<std::string> MimeTypesOf(const std::string& path) {
  const QMimeType type = QMimeDatabase().mimeTypeForFile(Native(path));
  std::vector<std::string> types = {type.name().toStdString()};
  for (const QString& ancestor : type.allAncestors()) types.push_back(ancestor.toStdString());
  return types;
}

// Whether `path` lies where a freedesktop.org trash keeps files: ".../files/NAME" in a directory
// named "Trash" (the user's), ".Trash-UID" or ".Trash/UID" (a volume's).
bool IsInTrash(const QString& path) {
  if (QDir::isRelativePath(path)) return false;
  QDir dir = QFileInfo(path).dir();
  if (dir.dirName() != "files" || !dir.cdUp()) return false;
  const QString uid = QString::number(::getuid());
  const QString name = dir.dirName();
  if (name == "Trash" || name == ".Trash-" + uid) return true;
  return name == uid && dir.cdUp() && dir.dirName() == ".Trash";
}

}  // namespace

QtDesktopShell::QtDesktopShell() : applications_(DesktopApplications::FromEnvironment()) {}

ShellResult QtDesktopShell::OpenPath(const std::string& path) {
  if (ShellResult probe = ProbeShellTarget(path); !probe.Succeeded()) return probe;
  if (QFileInfo(Native(path)).isDir()) return OpenDirectory(path);
  if (!applications_.CommandFor(MimeTypesOf(path), path)) return ShellResult::Fail(Failure::kNoApplication);
  if (!QDesktopServices::openUrl(QUrl::fromLocalFile(Native(path))))
    return ShellResult::Fail(Failure::kNoApplication);
  return {};
}

ShellResult QtDesktopShell::OpenDirectory(const std::string& path) {
  if (ShellResult probe = ProbeShellTarget(path); !probe.Succeeded()) return probe;
  if (!QDesktopServices::openUrl(QUrl::fromLocalFile(Native(path))))
    return ShellResult::Fail(Failure::kNoApplication);
  return {};
}

ShellResult QtDesktopShell::ShowInFolder(const std::string& file) {
  if (ShellResult probe = ProbeShellTarget(file); !probe.Succeeded()) return probe;
  QDBusMessage call =
      QDBusMessage::createMethodCall("org.freedesktop.FileManager1", "/org/freedesktop/FileManager1",
                                     "org.freedesktop.FileManager1", "ShowItems");
  call << QStringList{QString::fromLatin1(DesktopApplications::FileUrl(file))} << QString();
  const QDBusMessage reply = QDBusConnection::sessionBus().call(call, QDBus::Block, 5000);
  if (reply.type() == QDBusMessage::ReplyMessage) return {};
  // No file manager answers on the bus: the folder itself, without the selection.
  return OpenDirectory(ParentDirectory(file));
}

ShellResult QtDesktopShell::StartDefaultApplication(const std::string& file) {
  if (ShellResult probe = ProbeShellTarget(file); !probe.Succeeded()) return probe;
  const std::optional<DesktopCommand> command = applications_.CommandFor(MimeTypesOf(file), file);
  if (!command) return ShellResult::Fail(Failure::kNoApplication);
  // A program for a terminal would run without one, unseen: the desktop's opener knows which
  // terminal the user has and starts it there.
  if (command->terminal) return OpenPath(file);
  QStringList arguments;
  for (size_t i = 1; i < command->arguments.size(); ++i) arguments << Native(command->arguments[i]);
  QProcess process;
  process.setProgram(Native(command->arguments.front()));
  process.setArguments(arguments);
  process.setStandardInputFile(QProcess::nullDevice());
  if (!process.startDetached())
    return ShellResult::Fail(Failure::kOther, process.errorString().toStdString());
  return {};
}

ShellResult QtDesktopShell::MoveToTrash(const std::string& path) {
  if (ShellResult probe = ProbeShellTarget(path); !probe.Succeeded()) return probe;
  // The trash lives in the user's data directory, which must exist for it to be made.
  QDir().mkpath(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation));
  // Where Qt puts a trash it cannot establish: the current directory. What is there already stays.
  const QDir here = QDir::current();
  const bool hadFiles = here.exists("files");
  const bool hadInfo = here.exists("info");
  const QString source = Native(path);
  QFile file(source);
  if (!file.moveToTrash()) return ShellResult::Fail(Failure::kOther, file.errorString().toStdString());
  const QString moved = QFileInfo(file.fileName()).absoluteFilePath();
  if (IsInTrash(moved)) return {};
  // A trash that could not be established must never leave the file somewhere else: it goes back,
  // and what Qt wrote beside it goes.
  const bool back =
      ::rename(QFile::encodeName(moved).constData(), QFile::encodeName(source).constData()) == 0;
  QDir trash = QFileInfo(moved).dir();
  trash.cdUp();
  QFile::remove(trash.filePath("info/" + QFileInfo(moved).fileName() + ".trashinfo"));
  if (trash.absolutePath() == here.absolutePath()) {
    if (!hadFiles) here.rmdir("files");
    if (!hadInfo) here.rmdir("info");
  }
  if (!back) {
    return ShellResult::Fail(
        Failure::kOther, FormatText(texts::kTrashStranded, QFile::encodeName(moved).toStdString().c_str()));
  }
  return ShellResult::Fail(Failure::kOther, texts::kNoTrash);
}

}  // namespace mardo
