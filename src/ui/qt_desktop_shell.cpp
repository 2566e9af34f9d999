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

#include "search/search_texts.h"

namespace mardo {
namespace {

using Failure = ShellResult::Failure;

QString Native(const std::string& path) {
  return QFile::decodeName(QByteArray(path.data(), static_cast<qsizetype>(path.size())));
}

std::string MimeTypeOf(const std::string& path) {
  return QMimeDatabase().mimeTypeForFile(Native(path)).name().toStdString();
}

std::string ParentOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

QtDesktopShell::QtDesktopShell() : applications_(DesktopApplications::FromEnvironment()) {}

ShellResult QtDesktopShell::OpenPath(const std::string& path) {
  if (ShellResult probe = ProbeShellTarget(path); !probe.Succeeded()) return probe;
  if (QFileInfo(Native(path)).isDir()) return OpenDirectory(path);
  if (!applications_.CommandFor(MimeTypeOf(path), path)) return ShellResult::Fail(Failure::kNoApplication);
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
  return OpenDirectory(ParentOf(file));
}

ShellResult QtDesktopShell::StartDefaultApplication(const std::string& file) {
  if (ShellResult probe = ProbeShellTarget(file); !probe.Succeeded()) return probe;
  const std::optional<std::vector<std::string>> command = applications_.CommandFor(MimeTypeOf(file), file);
  if (!command) return ShellResult::Fail(Failure::kNoApplication);
  QStringList arguments;
  for (size_t i = 1; i < command->size(); ++i) arguments << Native((*command)[i]);
  QProcess process;
  process.setProgram(Native(command->front()));
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
  const QString source = Native(path);
  QString inTrash;
  QFile file(source);
  if (!QFile::moveToTrash(source, &inTrash)) {
    return ShellResult::Fail(Failure::kOther, file.errorString().toStdString());
  }
  // A trash that could not be established must never leave the file somewhere else.
  if (QDir::isRelativePath(inTrash) || !inTrash.contains("Trash")) {
    QFile::rename(inTrash, source);
    return ShellResult::Fail(Failure::kOther, texts::kNoTrash);
  }
  return {};
}

}  // namespace mardo
