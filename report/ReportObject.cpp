#include "ReportObject.h"

#include <QRegularExpression>

QColor BgrToQColor(std::uint32_t bgr) {
    return QColor(int(bgr & 0xFF), int((bgr >> 8) & 0xFF), int((bgr >> 16) & 0xFF));
}

std::uint32_t QColorToBgr(const QColor &color) {
    const QColor rgb = color.toRgb();
    return std::uint32_t(rgb.red()) | (std::uint32_t(rgb.green()) << 8) |
           (std::uint32_t(rgb.blue()) << 16);
}

std::optional<int> TReportObject::Property(const QString &name) const {
    if (name == QLatin1String("Left"))
        return Left;
    if (name == QLatin1String("Top"))
        return Top;
    if (name == QLatin1String("Width"))
        return Width;
    if (name == QLatin1String("Height"))
        return Height;
    if (name == QLatin1String("FillColor"))
        return int(FillColor);
    if (name == QLatin1String("Font.Color"))
        return int(Font.Color);
    return std::nullopt;
}

bool TReportObject::SetProperty(const QString &name, int value) {
    if (name == QLatin1String("Left"))
        Left = value;
    else if (name == QLatin1String("Top"))
        Top = value;
    else if (name == QLatin1String("Width"))
        Width = value;
    else if (name == QLatin1String("Height"))
        Height = value;
    else if (name == QLatin1String("FillColor"))
        FillColor = std::uint32_t(value);
    else if (name == QLatin1String("Font.Color"))
        Font.Color = std::uint32_t(value);
    else
        return false;
    return true;
}

void TReportObject::SetText(const QString &text) {
    static const QRegularExpression lineBreak(QStringLiteral("\r\n|\r|\n"));
    Lines = text.isEmpty() ? QStringList() : text.split(lineBreak);
}

QString TReportObject::Text() const {
    return Lines.join(QLatin1Char('\n'));
}
