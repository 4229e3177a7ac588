#ifndef DIGITS_H
#define DIGITS_H

#include <QPixmap>
#include <QTimeLine>
#include <QWidget>

class QPainter;

// One card of the flip clock: a two-digit number (00..99) on a rounded grey
// card. flipTo() animates a change with the selected transition over 600 ms;
// setNumber() changes it at once. UI thread only.
class Digits : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY(Digits)

public:
    enum Transition
    {
        Slide = 0,
        Flip = 1,
        Rotate = 2
    };

    explicit Digits(QWidget* parent = nullptr);
    ~Digits() override;

    // Both bound n to 0..99 and do nothing when that equals the number shown.
    void setNumber(int n);
    void flipTo(int n);

    int number() const { return m_Number; }
    // 0 slide, 1 flip, 2 rotate; other values are ignored.
    void setTransition(int t);
    int transition() const { return m_Transition; }

    // The font of the number's text within a card of the given size: tall as
    // the card allows, yet never wider than the card.
    static QFont digitsFont(const QString& text, const QSize& box);

    bool isAnimating() const { return m_Animator.state() == QTimeLine::Running; }
    // Frame of the running or last animation, 0..100.
    int currentFrame() const { return m_Animator.currentFrame(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void preparePixmap();
    QPixmap makeDigitsPixmap(int n, const QRect& r) const;
    QRect cardRect() const;
    static void drawFrame(QPainter* p, const QRect& r);
    void paintStatic(QPainter* p);
    void paintSlide(QPainter* p, int frame);
    void paintFlip(QPainter* p, int frame);
    // A card turned by angle degrees about the horizontal middle axis.
    void drawTurned(QPainter* p, int angle, const QRect& card, const QPixmap& pixmap);
    // The lower half of a card, clipped; the clip stays for what follows.
    void drawLowerHalf(QPainter* p, const QRect& card, const QPixmap& pixmap);
    void paintRotate(QPainter* p, int frame);

    int m_Number = 0;
    int m_Transition = Slide;
    QPixmap m_Pixmap;
    QPixmap m_LastPixmap; // previous number, kept while animating
    QTimeLine m_Animator;
};

#endif // DIGITS_H
