#include "preview/buttonicons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace zest::preview
{

namespace
{

const char* ThemeName(ButtonPicture picture)
{
    switch (picture) {
    case ButtonPicture::Print:
        return "document-print";
    case ButtonPicture::PrinterSetup:
        return "document-page-setup";
    case ButtonPicture::Find:
        return "edit-find";
    case ButtonPicture::Save:
        return "document-save";
    case ButtonPicture::Clear:
        return "edit-clear";
    case ButtonPicture::SavePdf:
        return "document-export";
    }
    return "";
}

// A sheet of paper with a folded corner.
void DrawSheet(QPainter& p, const QRectF& r)
{
    QPainterPath sheet;
    sheet.moveTo(r.left(), r.top());
    sheet.lineTo(r.right() - 4, r.top());
    sheet.lineTo(r.right(), r.top() + 4);
    sheet.lineTo(r.right(), r.bottom());
    sheet.lineTo(r.left(), r.bottom());
    sheet.closeSubpath();
    p.setBrush(Qt::white);
    p.drawPath(sheet);
}

void DrawPrinter(QPainter& p)
{
    p.setBrush(Qt::white);
    p.drawRect(QRectF(5.5, 1.5, 9, 6)); // paper going in
    p.setBrush(QColor(150, 150, 150));
    p.drawRoundedRect(QRectF(1.5, 7.5, 17, 7), 1.5, 1.5); // body
    p.setBrush(Qt::white);
    p.drawRect(QRectF(5.5, 12.5, 9, 6)); // paper coming out
    p.drawLine(QPointF(7, 15), QPointF(13, 15));
    p.setBrush(QColor(40, 170, 40));
    p.drawEllipse(QPointF(16, 10), 1, 1);
}

QPixmap Draw(ButtonPicture picture)
{
    QPixmap pixmap(20, 20);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(40, 40, 40), 1));
    switch (picture) {
    case ButtonPicture::Print:
        DrawPrinter(p);
        break;
    case ButtonPicture::PrinterSetup: {
        DrawPrinter(p);
        // a spanner over the printer
        p.setPen(QPen(QColor(30, 60, 160), 2.5, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(9, 18), QPointF(17, 10));
        p.setPen(QPen(QColor(30, 60, 160), 1.5));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QPointF(17, 9), 2.2, 2.2);
        break;
    }
    case ButtonPicture::Find:
        p.setPen(QPen(QColor(40, 40, 40), 2));
        p.setBrush(QColor(200, 225, 255));
        p.drawEllipse(QPointF(8, 8), 5.5, 5.5);
        p.setPen(QPen(QColor(110, 70, 30), 3.5, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(12.5, 12.5), QPointF(18, 18));
        break;
    case ButtonPicture::Save:
        p.setBrush(QColor(40, 80, 170));
        p.drawRoundedRect(QRectF(1.5, 1.5, 17, 17), 1.5, 1.5); // diskette
        p.setBrush(Qt::white);
        p.drawRect(QRectF(4.5, 1.5, 11, 7)); // label
        p.setBrush(QColor(190, 190, 190));
        p.drawRect(QRectF(5.5, 12.5, 9, 6)); // shutter
        p.setBrush(QColor(40, 80, 170));
        p.drawRect(QRectF(11.5, 13.5, 2, 4));
        break;
    case ButtonPicture::Clear:
        DrawSheet(p, QRectF(2.5, 1.5, 12, 16));
        p.setPen(QPen(QColor(200, 30, 30), 2.5, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(9, 9), QPointF(17, 17));
        p.drawLine(QPointF(17, 9), QPointF(9, 17));
        break;
    case ButtonPicture::SavePdf: {
        DrawSheet(p, QRectF(3.5, 1.5, 13, 17));
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(200, 30, 30));
        p.drawRect(QRectF(1, 9, 18, 7));
        p.setPen(Qt::white);
        QFont font = p.font();
        font.setPixelSize(7);
        font.setBold(true);
        p.setFont(font);
        p.drawText(QRectF(1, 9, 18, 7), Qt::AlignCenter, QStringLiteral("PDF"));
        break;
    }
    }
    return pixmap;
}

} // namespace

QIcon DrawnIcon(ButtonPicture picture)
{
    return QIcon(Draw(picture));
}

QIcon ButtonIcon(ButtonPicture picture)
{
    return QIcon::fromTheme(QString::fromLatin1(ThemeName(picture)), DrawnIcon(picture));
}

} // namespace zest::preview
