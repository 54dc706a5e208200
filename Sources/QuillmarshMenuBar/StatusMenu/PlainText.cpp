#include "StatusMenu/PlainText.h"

#include <QTextDocument>

namespace quillmarsh {

QString PlainText::actionTitle(std::string_view text) {
    QString title = QString::fromUtf8(text);
    title.replace(QLatin1Char('&'), QLatin1String("&&"));
    for (QChar& c : title) {
        if (c == QLatin1Char('\t') || c == QLatin1Char('\n') || c == QLatin1Char('\r')) c = QLatin1Char(' ');
    }
    return title;
}

QString PlainText::toolTip(std::string_view plain) {
    const QString text = QString::fromUtf8(plain);
    if (!Qt::mightBeRichText(text)) return text;
    return Qt::convertFromPlainText(text, Qt::WhiteSpaceNormal);
}

} // namespace quillmarsh
