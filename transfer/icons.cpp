#include "icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <functional>

namespace {

// Draws a picture on a 20 x 20 grid, at twice the size for sharp scaling on high-DPI screens.
QIcon Draw(const std::function<void(QPainter&)>& paint) {
  QIcon icon;
  for (const int scale : {1, 2}) {
    QPixmap pixmap(20 * scale, 20 * scale);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(scale, scale);
    paint(p);
    p.end();
    icon.addPixmap(pixmap);
  }
  return icon;
}

const QColor kOutline(40, 40, 40);

}  // namespace

namespace Icons {

QIcon FloppyDisk() {
  return Draw([](QPainter& p) {
    p.setPen(QPen(kOutline, 1));
    QPainterPath body;
    body.moveTo(2.5, 2.5);
    body.lineTo(15.5, 2.5);
    body.lineTo(17.5, 4.5);
    body.lineTo(17.5, 17.5);
    body.lineTo(2.5, 17.5);
    body.closeSubpath();
    p.setBrush(QColor(40, 70, 150));
    p.drawPath(body);
    p.setBrush(QColor(235, 235, 235));
    p.drawRect(QRectF(5.5, 2.5, 8, 6));  // shutter
    p.setBrush(QColor(60, 60, 60));
    p.drawRect(QRectF(10.5, 3.5, 2, 4));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(4.5, 11.5, 11, 6));  // label
  });
}

QIcon Printer() {
  return Draw([](QPainter& p) {
    p.setPen(QPen(kOutline, 1));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(5.5, 2.5, 9, 6));  // paper going in
    p.setBrush(QColor(170, 170, 170));
    p.drawRoundedRect(QRectF(2.5, 7.5, 15, 7), 1.5, 1.5);
    p.setBrush(Qt::white);
    p.drawRect(QRectF(5.5, 12.5, 9, 5));  // the printed sheet
    p.setPen(QPen(kOutline, 0.8));
    p.drawLine(QPointF(7, 14.5), QPointF(13, 14.5));
    p.drawLine(QPointF(7, 16), QPointF(11, 16));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(60, 180, 60));
    p.drawEllipse(QPointF(15, 9.8), 0.9, 0.9);
  });
}

QIcon Eraser() {
  return Draw([](QPainter& p) {
    p.setPen(QPen(kOutline, 1));
    p.translate(10, 10);
    p.rotate(-35);
    p.setBrush(QColor(230, 90, 110));
    p.drawRoundedRect(QRectF(-1, -4, 8, 8), 1, 1);
    p.setBrush(QColor(240, 240, 240));
    p.drawRoundedRect(QRectF(-8, -4, 7, 8), 1, 1);
    p.resetTransform();
    p.setPen(QPen(kOutline, 1));
    p.drawLine(QPointF(3, 17.5), QPointF(17, 17.5));
  });
}

QIcon PeakedChart() {
  return Draw([](QPainter& p) {
    p.setPen(QPen(kOutline, 1));
    p.setBrush(QColor(0, 255, 255));
    p.drawRect(QRectF(2.5, 2.5, 15, 15));
    QPainterPath trace;
    trace.moveTo(3, 15);
    trace.lineTo(6, 15);
    trace.lineTo(7.5, 5);
    trace.lineTo(9.5, 5.5);
    trace.cubicTo(11, 12, 13, 13.5, 17, 14);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(Qt::black, 1.3));
    p.drawPath(trace);
  });
}

QIcon Door() {
  return Draw([](QPainter& p) {
    p.setPen(QPen(kOutline, 1));
    p.setBrush(QColor(120, 80, 40));
    p.drawRect(QRectF(4.5, 2.5, 11, 15));  // frame
    QPainterPath leaf;  // the open door
    leaf.moveTo(4.5, 2.5);
    leaf.lineTo(10.5, 4.5);
    leaf.lineTo(10.5, 19.5);
    leaf.lineTo(4.5, 17.5);
    leaf.closeSubpath();
    p.setBrush(QColor(200, 150, 90));
    p.drawPath(leaf);
    p.setBrush(QColor(230, 200, 60));
    p.drawEllipse(QPointF(9, 11), 0.9, 0.9);
  });
}

}  // namespace Icons
