#pragma once

#include <QImage>
#include <QList>
#include <QPair>
#include <QString>

#include <optional>

namespace korvel::maker {

// Why a picture was not written. The numbers are the ones the user has
// always seen for these failures (the run-time error numbers of the first
// Korvel); the description says what could not be done, with the path.
struct SaveError {
    enum Code {
        None = 0,
        BadExtension = 5,  // an extension outside the encoder table
        DiskFull = 61,
        PermissionDenied = 70,
        FileAccess = 75,   // the file cannot be written
        PathNotFound = 76, // its folder does not exist
        NotAPicture = 481, // nothing to encode, or the page does not decode
    };
    int number = None;
    QString description;

    explicit operator bool() const { return number != None; }
};

// The settings both callers pass: JPEG quality 80, 24 bits a pixel, and the
// encoder's value for "no compression".
constexpr int kJpegQuality = 80;
constexpr int kColourDepth = 24;
constexpr int kNoCompression = 6;

// SavePicFile: writes image to path in the format the extension names
// (".jpg", ".png", ".gif", ".tiff", ".bmp", exactly so). JPEG at the given
// quality, TIFF uncompressed at 24 bits, GIF through giflib. The file
// appears only once it is complete: a failure leaves no part of it and
// keeps an earlier file of that name as it was.
SaveError savePicFile(const QImage &image, const QString &path, const QString &extension,
                      int quality = kJpegQuality, int colourDepth = kColourDepth,
                      int compression = kNoCompression);

// The message box text for a failure, as the user has always read it.
QString saveErrorText(const SaveError &error);

// The filters of the "图片另存为" dialog, in order: label and patterns.
QList<QPair<QString, QString>> pictureSaveFilters();

// The extension for the filter the save dialog returns (1-based; 0 is the
// first); nothing for any other index.
std::optional<QString> extensionForFilter(int filterIndex);

// The name with the extension appended unless it already holds it anywhere,
// compared with case ("page.JPG" gets ".jpg"; "x.jpg/page" does not).
QString withExtension(const QString &name, const QString &extension);

} // namespace korvel::maker
