#pragma once
#include <QString>
#include <QStringList>
#include <optional>

// The command line of brisvane-convert, apart from the program so it can be tested on its own.

struct ConvertRequest {
    QString format;  // "jpeg", "gif" or "png"
    QString target;
    QString input;
    QString source;   // -source: the photo the pixels came from (its metadata and blocks are kept)
    int colours = 0;  // 0: keep true colours
    bool dither = false;
};

extern const char* const kConvertUsage;

// Reads the arguments (the program's name first, the input file last); nullopt with `error`
// set when they cannot be taken.
std::optional<ConvertRequest> ParseConvertArguments(const QStringList& args, QString& error);
