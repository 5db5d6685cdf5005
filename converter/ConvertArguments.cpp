#include "converter/ConvertArguments.h"

const char* const kConvertUsage =
    "usage: brisvane-convert -out jpeg|gif|png [-truecolors] [-dither] [-colors N] [-source FILE] "
    "-o TARGET INPUT";

std::optional<ConvertRequest> ParseConvertArguments(const QStringList& args, QString& error) {
    ConvertRequest r;
    const qsizetype last = args.size() - 1;  // the input file
    for (qsizetype i = 1; i < last; ++i) {
        const QString& a = args[i];
        auto value = [&](const char* name) -> std::optional<QString> {
            if (i + 1 >= last) {
                error = QStringLiteral("%1 needs a value").arg(QLatin1String(name));
                return std::nullopt;
            }
            return args[++i];
        };
        if (a == QLatin1String("-out")) {
            const auto v = value("-out");
            if (!v) return std::nullopt;
            r.format = v->toLower();
        } else if (a == QLatin1String("-o")) {
            const auto v = value("-o");
            if (!v) return std::nullopt;
            r.target = *v;
        } else if (a == QLatin1String("-source")) {
            const auto v = value("-source");
            if (!v) return std::nullopt;
            if (v->isEmpty()) {
                error = QStringLiteral("-source needs a file name");
                return std::nullopt;
            }
            r.source = *v;
        } else if (a == QLatin1String("-colors")) {
            const auto v = value("-colors");
            if (!v) return std::nullopt;
            bool ok = false;
            r.colours = v->toInt(&ok);
            if (!ok || r.colours < 2 || r.colours > 256) {
                error = QStringLiteral("-colors takes a number from 2 to 256, not \"%1\"").arg(*v);
                return std::nullopt;
            }
        } else if (a == QLatin1String("-dither")) {
            r.dither = true;
        } else if (a == QLatin1String("-truecolors")) {
            r.colours = 0;
        } else {
            error = QStringLiteral("unknown option \"%1\"").arg(a);
            return std::nullopt;
        }
    }
    if (last < 1) {
        error = QStringLiteral("no input file");
        return std::nullopt;
    }
    r.input = args[last];
    if (r.format != QLatin1String("jpeg") && r.format != QLatin1String("gif") &&
        r.format != QLatin1String("png")) {
        error = r.format.isEmpty() ? QStringLiteral("no output format (-out)")
                                   : QStringLiteral("unknown output format \"%1\"").arg(r.format);
        return std::nullopt;
    }
    if (r.target.isEmpty()) {
        error = QStringLiteral("no target file (-o)");
        return std::nullopt;
    }
    return r;
}
