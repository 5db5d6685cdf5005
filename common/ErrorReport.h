#pragma once
#include <QString>
#include <exception>
#include <stdexcept>
#include <utility>

// A failure with a text for the user (the description in the error report).
class AppError : public std::runtime_error {
public:
    explicit AppError(const QString& description) : std::runtime_error(description.toStdString()) {}
};

// "in Velloran2021/08/31.<module>.<procedure> "
QString ErrorLocation(const QString& module, const QString& procedure,
                      const QString& project = QStringLiteral("Velloran"));

// The full text of the error box.
QString ErrorReportText(const QString& description, const QString& location, int step);

// Shows the "Application Error" box and returns; the caller goes on with its next step.
void ReportError(const QString& description, const QString& location, int step);

// Lets a handler read as numbered steps (100, 102, ...), each guarded by the report:
//   ErrorSteps s(ErrorLocation("Form1", "PushButton8_Click"));
//   if (s.Test(100, [&] { return !Busy(); })) s.Do(102, [&] { list.Clear(); });
// A failing step is reported and the handler goes on; a failing test counts as passed.
class ErrorSteps {
public:
    explicit ErrorSteps(QString location) : location_(std::move(location)) {}

    template <class F>
    void Do(int step, F&& f) {
        try {
            f();
        } catch (const std::exception& e) {
            ReportError(QString::fromStdString(e.what()), location_, step);
        } catch (...) {
            ReportError(QStringLiteral("Unexpected error"), location_, step);
        }
    }

    template <class F>
    bool Test(int step, F&& condition) {
        bool passed = true;
        Do(step, [&] { passed = condition(); });
        return passed;
    }

    const QString& Location() const { return location_; }

private:
    QString location_;
};
