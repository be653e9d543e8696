#pragma once
// The one crossing of file paths between Qt's strings and the procedures' paths. Windows keeps
// paths in UTF-16, so a path goes through the wide form there (an accented user name stays
// whole); elsewhere it takes Qt's file name encoding. Header-only: for code that uses Qt.

#include <QFile>
#include <QString>
#include <filesystem>

namespace zv318 {

[[nodiscard]] inline std::filesystem::path PathFromQString(const QString& text) {
#ifdef _WIN32
    return std::filesystem::path(text.toStdWString());
#else
    return std::filesystem::path(QFile::encodeName(text).toStdString());
#endif
}

[[nodiscard]] inline QString QStringFromPath(const std::filesystem::path& path) {
#ifdef _WIN32
    return QString::fromStdWString(path.wstring());
#else
    return QFile::decodeName(QByteArray::fromStdString(path.native()));
#endif
}

}  // namespace zv318
