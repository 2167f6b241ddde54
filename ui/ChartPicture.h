#pragma once
// Pictures of a chart as it is shown: a bitmap on white, SVG (the vector picture that
// takes the place of metafiles here) and PDF; the clipboard copies and the chart files.
#include <QByteArray>
#include <QImage>
#include <QString>

class QChartView;
class QMimeData;

enum class TChartFormat { Bitmap, Svg, Png, Pdf };

// The chart at the view's size, drawn on white.
QImage ChartBitmap(QChartView& view);
// The chart as vectors, at the view's size.
QByteArray ChartSvg(QChartView& view);
QByteArray ChartPdf(QChartView& view);

// Clipboard data: the bitmap alone, or the SVG picture with a PNG of the same chart for
// programs that take no SVG.
QMimeData* ChartBitmapData(QChartView& view);
QMimeData* ChartVectorData(QChartView& view);

// Writes the chart to path in format, replacing a file there only once the whole picture
// is written. An empty text, or what went wrong.
QString SaveChartFile(QChartView& view, const QString& path, TChartFormat format);
// The name filters of the save dialog, in the order of TChartFormat, and their extensions.
QStringList ChartFileFilters();
QString ChartFileExtension(TChartFormat format);
// path with its extension replaced (or added) by the format's.
QString WithChartExtension(const QString& path, TChartFormat format);
