#include "disclosurefolder.h"

#include <QFile>
#include <QStandardPaths>

namespace zest::ui
{

std::string DisclosureFolder()
{
    const QString folder
        = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/zestawienia");
    return QFile::encodeName(folder).toStdString();
}

disclosures::DisclosureRegister Disclosures()
{
    return disclosures::DisclosureRegister::FromEnvironment(DisclosureFolder());
}

} // namespace zest::ui
