#include "digits.h"

#include <QFontMetrics>
#include <QLinearGradient>
#include <QPainter>
#include <QTransform>

namespace {
constexpr int kMinNumber = 0;
constexpr int kMaxNumber = 99;
constexpr int kDurationMs = 600;
constexpr int kLastFrame = 100;
// The digits are drawn at twice the size and scaled down for smooth edges.
constexpr int kScale = 2;
}

Digits::Digits(QWidget* parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent, true);
    setAttribute(Qt::WA_NoSystemBackground, true);

    m_Animator.setDuration(kDurationMs);
    m_Animator.setFrameRange(0, kLastFrame);
    m_Animator.setEasingCurve(QEasingCurve::InOutSine); // the time line's ease-in-out shape
    connect(&m_Animator, SIGNAL(frameChanged(int)), this, SLOT(update()));
}

Digits::~Digits() = default;

void Digits::setNumber(int n)
{
    n = qBound(kMinNumber, n, kMaxNumber);
    if (n == m_Number)
        return;
    m_Number = n;
    preparePixmap();
    update();
}

void Digits::flipTo(int n)
{
    n = qBound(kMinNumber, n, kMaxNumber);
    if (n == m_Number)
        return;
    m_Number = n;
    m_LastPixmap = m_Pixmap;
    preparePixmap();
    m_Animator.stop();
    m_Animator.start();
}

void Digits::setTransition(int t)
{
    if (t < Slide || t > Rotate)
        return;
    m_Transition = t;
}

QFont Digits::digitsFont(const QString& text, const QSize& box)
{
    QFont font;
    font.setFamily(QStringLiteral("Helvetica"));
    font.setBold(true);
    int pixels = qMax(1, static_cast<int>(0.55 * box.height()));
    font.setPixelSize(pixels);
    // A card narrower than its height would cut the two digits at its sides:
    // the text then shrinks to fit within the card's width.
    const int room = static_cast<int>(0.8 * (box.width() - 2 * (box.width() / 10)));
    for (int advance = QFontMetrics(font).horizontalAdvance(text); advance > room && pixels > 1;
         advance = QFontMetrics(font).horizontalAdvance(text)) {
        pixels = qMax(1, qMin(pixels - 1, pixels * room / qMax(1, advance)));
        font.setPixelSize(pixels);
    }
    return font;
}

QPixmap Digits::makeDigitsPixmap(int n, const QRect& r) const
{
    const QString text = QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0'));

    const QFont font = digitsFont(text, r.size() * kScale);

    QPixmap result(r.size() * kScale);
    result.fill(Qt::transparent);

    QLinearGradient gradient(QPointF(0, 0), QPointF(0, result.height()));
    gradient.setColorAt(0.0, QColor(128, 128, 128));
    gradient.setColorAt(0.49, QColor(64, 64, 64));
    gradient.setColorAt(0.51, QColor(128, 128, 128));
    gradient.setColorAt(1.0, QColor(16, 16, 16));

    QPainter p(&result);
    p.setFont(font);
    p.setPen(QPen(QBrush(gradient), 0));
    p.drawText(result.rect(), Qt::AlignCenter, text);
    p.end();

    return result.scaledToWidth(width(), Qt::SmoothTransformation);
}

void Digits::preparePixmap()
{
    // A zero-sized widget has nothing to show; resizeEvent prepares it later.
    if (width() <= 0 || height() <= 0) {
        m_Pixmap = QPixmap();
        return;
    }
    m_Pixmap = QPixmap(size());
    m_Pixmap.fill(Qt::transparent);
    QPainter p(&m_Pixmap);
    p.drawPixmap(0, 0, makeDigitsPixmap(m_Number, rect()));
}

QRect Digits::cardRect() const
{
    const int m = width() / 10;
    return rect().adjusted(m, m, -m, -m);
}

void Digits::drawFrame(QPainter* p, const QRect& r)
{
    p->save();
    p->setPen(Qt::NoPen);
    QLinearGradient gradient(r.topLeft(), r.bottomLeft());
    gradient.setColorAt(0.0, QColor(245, 245, 245));
    gradient.setColorAt(0.49, QColor(192, 192, 192));
    gradient.setColorAt(0.51, QColor(245, 245, 245));
    gradient.setColorAt(1.0, QColor(192, 192, 192));
    p->setBrush(gradient);
    p->drawRoundedRect(r, 15, 15, Qt::RelativeSize);

    const QRect inner = r.adjusted(1, 4, -1, -4);
    p->setPen(QColor(181, 181, 181));
    p->setBrush(Qt::NoBrush);
    p->drawRoundedRect(inner, 15, 15, Qt::RelativeSize);

    p->setPen(QColor(159, 159, 159));
    const int y = r.top() + r.height() / 2 - 1;
    p->drawLine(r.left(), y, r.right(), y);
    p->restore();
}

void Digits::paintStatic(QPainter* p)
{
    p->fillRect(rect(), Qt::black);
    drawFrame(p, cardRect());
    p->drawPixmap(0, 0, m_Pixmap);
}

// The old number moves down and out while the new one comes in from above.
void Digits::paintSlide(QPainter* p, int frame)
{
    p->fillRect(rect(), Qt::black);
    const QRect card = cardRect();
    drawFrame(p, card);
    p->setClipRect(card);
    const int y = height() * frame / kLastFrame;
    p->drawPixmap(0, y, m_LastPixmap);
    p->drawPixmap(0, y - height(), m_Pixmap);
}

// The upper half of the old card folds down over the new one; past the
// middle the new card's lower half unfolds over the old one.
void Digits::paintFlip(QPainter* p, int frame)
{
    p->setRenderHint(QPainter::SmoothPixmapTransform, true);
    p->setRenderHint(QPainter::Antialiasing, true);
    p->fillRect(rect(), Qt::black);

    const QRect card = cardRect();
    drawFrame(p, card);
    p->drawPixmap(0, 0, m_Pixmap);

    if (frame < 51) {
        drawTurned(p, -180 * frame / kLastFrame, card, m_LastPixmap);
        p->resetTransform();
        drawLowerHalf(p, card, m_LastPixmap);
    } else {
        drawLowerHalf(p, card, m_LastPixmap);
        drawTurned(p, 180 - 180 * frame / kLastFrame, card, m_Pixmap);
    }
}

void Digits::drawTurned(QPainter* p, int angle, const QRect& card, const QPixmap& pixmap)
{
    const int hw = width() / 2;
    const int hh = height() / 2;
    QTransform transform;
    transform.translate(hw, hh);
    transform.rotate(angle, Qt::XAxis);
    p->setTransform(transform);
    drawFrame(p, card.translated(-hw, -hh));
    p->drawPixmap(-hw, -hh, pixmap);
}

void Digits::drawLowerHalf(QPainter* p, const QRect& card, const QPixmap& pixmap)
{
    p->setClipRect(QRect(0, height() / 2, width(), height() / 2));
    drawFrame(p, card);
    p->drawPixmap(0, 0, pixmap);
}

// The whole card turns about its horizontal axis; the number changes at the
// half turn.
void Digits::paintRotate(QPainter* p, int frame)
{
    // The widget promises opaque painting, so the corners outside the card
    // must be painted here too.
    p->fillRect(rect(), Qt::black);
    const QRect card = cardRect();
    drawFrame(p, card);
    p->setClipRect(card);

    int angle;
    const QPixmap* shown;
    if (frame < 51) {
        angle = -180 * frame / kLastFrame;
        shown = &m_LastPixmap;
    } else {
        angle = 180 - 180 * frame / kLastFrame;
        shown = &m_Pixmap;
    }

    QTransform transform;
    transform.translate(width() / 2, height() / 2);
    transform.rotate(angle, Qt::XAxis);
    p->setTransform(transform);
    p->setRenderHint(QPainter::SmoothPixmapTransform, true);
    p->drawPixmap(-width() / 2, -height() / 2, *shown);
}

void Digits::paintEvent(QPaintEvent* event)
{
    Q_UNUSED(event)
    QPainter p(this);
    if (m_Animator.state() != QTimeLine::Running) {
        paintStatic(&p);
        return;
    }
    const int frame = m_Animator.currentFrame();
    switch (m_Transition) {
    case Slide:
        paintSlide(&p, frame);
        break;
    case Flip:
        paintFlip(&p, frame);
        break;
    case Rotate:
        paintRotate(&p, frame);
        break;
    default:
        paintStatic(&p);
        break;
    }
}

void Digits::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    preparePixmap();
    update();
}
