#include "previewtest.h"

#include <unistd.h>

#include <QDir>
#include <QFile>

#include "preview/twiz.h"

namespace zest::preview::test
{

QString TestPath(const QString& name)
{
    // Tests run in parallel processes: each process has a directory of its own.
    static const QString dir = [] {
        const QString d = QDir(QStringLiteral(ZEST_TEST_TMP)).filePath(QStringLiteral("preview-%1").arg(getpid()));
        QDir().mkpath(d);
        return d;
    }();
    return QDir(dir).filePath(name);
}

std::string WriteTestFile(const QString& name, const std::string& bytes)
{
    const QString path = TestPath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return {};
    file.write(bytes.data(), static_cast<qint64>(bytes.size()));
    return QFile::encodeName(path).toStdString();
}

std::string ReadFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll().toStdString();
}

bool Exists(const QString& path)
{
    return QFile::exists(path);
}

std::unique_ptr<Twiz> PreviewWith(const std::string& bytes)
{
    auto wiz = std::make_unique<Twiz>();
    wiz->LoadResults(WriteTestFile(QStringLiteral("preview_input.txt"), bytes), false);
    return wiz;
}

} // namespace zest::preview::test
