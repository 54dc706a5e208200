#include "App/MessageLog.h"

#include <QString>
#include <QtGlobal>

#include <cstdio>

namespace quillmarsh {

namespace {

constexpr std::string_view prefix = "Quillmarsh: ";

void handle(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    const std::string out = MessageLog::lines(qFormatLogMessage(type, context, message).toStdString());
    std::fwrite(out.data(), 1, out.size(), stderr);
    std::fflush(stderr);
}

} // namespace

std::string MessageLog::lines(std::string_view text) {
    if (!text.empty() && text.back() == '\n')
        text.remove_suffix(1);
    std::string out;
    for (;;) {
        const auto end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        if (!line.starts_with(prefix))
            out += prefix;
        out += line;
        out += '\n';
        if (end == std::string_view::npos)
            break;
        text.remove_prefix(end + 1);
    }
    return out;
}

void MessageLog::install() { qInstallMessageHandler(handle); }

} // namespace quillmarsh
