#include "qclockdlg.h"

#include "digits.h"

#include <QAction>
#include <QKeyEvent>
#include <QTimerEvent>

QClockDlg::QClockDlg(QWidget* parent)
    : QWidget(parent)
    , m_Hours(new Digits(this))
    , m_Minutes(new Digits(this))
{
    m_Hours->show();
    m_Minutes->show();

    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::gray);
    setPalette(pal);

    // The arrow keys only reach a widget that can take the focus.
    setFocusPolicy(Qt::ClickFocus);

    auto* slideAction = new QAction(tr("&Slide"), this);
    auto* flipAction = new QAction(tr("&Flip"), this);
    auto* rotateAction = new QAction(tr("&Rotate"), this);
    connect(slideAction, SIGNAL(triggered()), this, SLOT(chooseSlide()));
    connect(flipAction, SIGNAL(triggered()), this, SLOT(chooseFlip()));
    connect(rotateAction, SIGNAL(triggered()), this, SLOT(chooseRotate()));
    addAction(slideAction);
    addAction(flipAction);
    addAction(rotateAction);
    setContextMenuPolicy(Qt::ActionsContextMenu);
}

QClockDlg::~QClockDlg() = default;

void QClockDlg::showTime(int hour, int minute)
{
    m_Hours->setNumber(hour);
    m_Minutes->setNumber(minute);
}

void QClockDlg::flipTime(int hour, int minute)
{
    m_Hours->flipTo(hour);
    m_Minutes->flipTo(minute);
    m_Hour = hour;
    m_Minute = minute;
}

void QClockDlg::refreshTime()
{
    m_Hours->flipTo(m_Hour);
    m_Minutes->flipTo(m_Minute);
}

void QClockDlg::setTransitionOnBoth(int t)
{
    m_Hours->setTransition(t);
    m_Minutes->setTransition(t);
}

void QClockDlg::switchTransition(int step)
{
    // The extra 3 keeps the sum positive for step -1; larger steps wrap too.
    const int t = ((m_Hours->transition() + 3 + step) % 3 + 3) % 3;
    setTransitionOnBoth(t);
    refreshTime();
}

void QClockDlg::chooseSlide()
{
    setTransitionOnBoth(Digits::Slide);
    refreshTime();
}

void QClockDlg::chooseFlip()
{
    setTransitionOnBoth(Digits::Flip);
    refreshTime();
}

void QClockDlg::chooseRotate()
{
    setTransitionOnBoth(Digits::Rotate);
    refreshTime();
}

void QClockDlg::timerEvent(QTimerEvent* event)
{
    if (event->timerId() == m_Timer.timerId())
        refreshTime();
    else
        QWidget::timerEvent(event);
}

void QClockDlg::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Right:
        switchTransition(1);
        event->accept();
        break;
    case Qt::Key_Left:
        switchTransition(-1);
        event->accept();
        break;
    default:
        QWidget::keyPressEvent(event);
        break;
    }
}

void QClockDlg::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    const int w = width() / 2;
    const int h = static_cast<int>(w * 1.2);
    const int y = (height() - h) / 3;
    m_Hours->setGeometry(0, y, w, h);
    m_Minutes->setGeometry(width() / 2, y, w, h);
}
