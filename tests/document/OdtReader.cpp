#include "document/OdtReader.h"

#include <QProcess>
#include <QXmlStreamReader>

namespace {

QByteArray Unzip(const QStringList& args, bool* ok) {
    QProcess p;
    p.start(QStringLiteral("unzip"), args);
    *ok = p.waitForFinished(30000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    return p.readAllStandardOutput();
}

struct TCharStyle {
    bool Bold = false;
    QString Family, Size;
};

}  // namespace

QString TOdtParagraph::Text() const {
    QString t;
    for (const TOdtSpan& s : Spans) t += s.Text;
    return t;
}

bool TOdtParagraph::Bold() const {
    bool any = false;
    for (const TOdtSpan& s : Spans) {
        if (s.Text.isEmpty()) continue;
        if (!s.Bold) return false;
        any = true;
    }
    return any;
}

int TOdt::PictureCount() const {
    int n = 0;
    for (const TOdtParagraph& p : Paragraphs) n += static_cast<int>(p.Pictures.size());
    return n;
}

int TOdt::PageBreaks() const {
    int n = 0;
    for (const TOdtParagraph& p : Paragraphs) n += p.PageBreakBefore;
    return n;
}

TOdt ReadOdt(const std::string& path) {
    TOdt odt;
    const QString file = QString::fromStdString(path);
    bool ok = false;
    const QByteArray list = Unzip({QStringLiteral("-Z1"), file}, &ok);
    if (!ok) {
        odt.Error = QStringLiteral("not a zip package");
        return odt;
    }
    for (const QByteArray& name : list.split('\n')) {
        if (name.isEmpty() || name.endsWith('/')) continue;
        odt.Files[QString::fromUtf8(name)] = Unzip({QStringLiteral("-p"), file, QString::fromUtf8(name)}, &ok);
    }
    if (!odt.Files.count(QStringLiteral("content.xml"))) {
        odt.Error = QStringLiteral("no content.xml");
        return odt;
    }

    std::map<QString, QString> mediaTypes;
    {
        QXmlStreamReader x(odt.Files[QStringLiteral("META-INF/manifest.xml")]);
        while (!x.atEnd()) {
            x.readNext();
            if (x.isStartElement() && x.name() == QLatin1String("file-entry"))
                mediaTypes[x.attributes().value(QLatin1String("manifest:full-path")).toString()] =
                    x.attributes().value(QLatin1String("manifest:media-type")).toString();
        }
    }

    std::map<QString, TCharStyle> charStyles;
    std::map<QString, bool> breaks;
    QXmlStreamReader x(odt.Files[QStringLiteral("content.xml")]);
    QString style;        // the style being read
    QString spanStyle;    // the span being read
    TOdtParagraph* para = nullptr;
    auto pt = [](QStringView v) {
        QString s = v.toString();
        s.chop(2);  // "pt"
        return s.toDouble();
    };
    while (!x.atEnd()) {
        x.readNext();
        if (x.hasError()) break;
        if (x.isStartElement()) {
            const QStringView n = x.name();
            const QXmlStreamAttributes a = x.attributes();
            if (n == QLatin1String("style")) {
                style = a.value(QLatin1String("style:name")).toString();
            } else if (n == QLatin1String("text-properties")) {
                TCharStyle& c = charStyles[style];
                c.Bold = a.value(QLatin1String("fo:font-weight")) == QLatin1String("bold");
                c.Family = a.value(QLatin1String("fo:font-family")).toString();
                c.Size = a.value(QLatin1String("fo:font-size")).toString();
            } else if (n == QLatin1String("paragraph-properties")) {
                breaks[style] = a.value(QLatin1String("fo:break-before")) == QLatin1String("page");
            } else if (n == QLatin1String("p") || n == QLatin1String("h")) {
                odt.Paragraphs.emplace_back();
                para = &odt.Paragraphs.back();
                para->PageBreakBefore = breaks[a.value(QLatin1String("text:style-name")).toString()];
            } else if (n == QLatin1String("span") && para) {
                spanStyle = a.value(QLatin1String("text:style-name")).toString();
            } else if (n == QLatin1String("s") && para) {
                const int count = a.hasAttribute(QLatin1String("text:c")) ? a.value(QLatin1String("text:c")).toInt() : 1;
                const TCharStyle c = charStyles[spanStyle];
                para->Spans.push_back({QString(count, QLatin1Char(' ')), c.Bold, c.Family, c.Size});
            } else if (n == QLatin1String("frame") && para) {
                TOdtPicture pic;
                pic.SizePt = QSizeF(pt(a.value(QLatin1String("svg:width"))), pt(a.value(QLatin1String("svg:height"))));
                para->Pictures.push_back(pic);
            } else if (n == QLatin1String("image") && para && !para->Pictures.empty()) {
                TOdtPicture& pic = para->Pictures.back();
                pic.Href = a.value(QLatin1String("xlink:href")).toString();
                pic.MediaType = mediaTypes[pic.Href];
            }
        } else if (x.isCharacters() && para && !x.isWhitespace()) {
            const TCharStyle c = charStyles[spanStyle];
            para->Spans.push_back({x.text().toString(), c.Bold, c.Family, c.Size});
        } else if (x.isEndElement()) {
            if (x.name() == QLatin1String("span")) spanStyle.clear();
            if (x.name() == QLatin1String("p") || x.name() == QLatin1String("h")) para = nullptr;
        }
    }
    if (x.hasError()) {
        odt.Error = x.errorString();
        return odt;
    }
    odt.Valid = true;
    return odt;
}
