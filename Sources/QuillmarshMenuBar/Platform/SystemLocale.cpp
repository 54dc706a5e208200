#include "Platform/SystemLocale.h"

#include <QLocale>

namespace quillmarsh {

Locale SystemLocale::current() {
    // "C" has no ICU counterpart of its own; ICU reads the POSIX locale as en_US_POSIX.
    const QString name = QLocale::system().name();
    if (name.isEmpty() || name == QLatin1String("C")) return Locale::posix();
    return Locale(name.toStdString());
}

} // namespace quillmarsh
