#pragma once
// Reads an OpenDocument text back as a word processor sees it: its paragraphs with their
// spans' text and character style, its pictures, and its files.
#include <QByteArray>
#include <QSizeF>
#include <QString>
#include <map>
#include <ostream>
#include <string>
#include <vector>

struct TOdtSpan {
    QString Text;
    bool Bold = false;
    QString Family;  // fo:font-family of the span's style
    QString Size;    // fo:font-size
};

struct TOdtPicture {
    QString Href;       // the picture's file in the package
    QString MediaType;  // from the manifest
    QSizeF SizePt;      // the frame's size on the page, in points
};

struct TOdtParagraph {
    bool PageBreakBefore = false;
    std::vector<TOdtSpan> Spans;
    std::vector<TOdtPicture> Pictures;
    QString Text() const;
    bool Bold() const;  // every span with text is bold (and there is one)
};

struct TOdt {
    bool Valid = false;
    QString Error;
    std::vector<TOdtParagraph> Paragraphs;
    std::map<QString, QByteArray> Files;  // every file of the package by name
    int PictureCount() const;
    int PageBreaks() const;
};

// Readable texts in test messages.
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

// Unpacks path (with the unzip tool) and parses content.xml and the manifest.
TOdt ReadOdt(const std::string& path);
