#include "common/ErrorReport.h"

#include "common/AppInfo.h"
#include "platform/Dialogs.h"

QString ErrorLocation(const QString& module, const QString& procedure, const QString& project) {
    return QStringLiteral("in %1%2.%3.%4 ")
        .arg(project, QStringLiteral("2021/08/31"), module, procedure);
}

QString ErrorReportText(const QString& description, const QString& location, int step) {
    return description + QStringLiteral("\r\n") + location + QStringLiteral("at line ") +
           QString::number(step) + QStringLiteral("\r\r") +
           QStringLiteral("Please email screenshot of this message to ") + AppInfo::SupportEmail;
}

void ReportError(const QString& description, const QString& location, int step) {
    AppDialogs().Message(ErrorReportText(description, location, step), Dialogs::Buttons::Ok,
                         Dialogs::Icon::Warning, QStringLiteral("Application Error"));
}
