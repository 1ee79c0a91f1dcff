#include "live_input_window.h"
#include "ui_live_input_window.h"

#include "input_source.h"
#include "program_main.h"

#include <QGridLayout>
#include <QLabel>
#include <QPainter>
#include <QProgressBar>
#include <QScreen>

#include <cmath>

namespace
{

constexpr int LAMPS_PER_ROW = 8;

QString hatText(const char *direction)
{
    // The directions as the input library names them, translated here.
    static const char *const names[] = {
        QT_TRANSLATE_NOOP("LiveInputWindow", "centred"),
        QT_TRANSLATE_NOOP("LiveInputWindow", "up"),
        QT_TRANSLATE_NOOP("LiveInputWindow", "up-right"),
        QT_TRANSLATE_NOOP("LiveInputWindow", "right"),
        QT_TRANSLATE_NOOP("LiveInputWindow", "down-right"),
        QT_TRANSLATE_NOOP("LiveInputWindow", "down"),
        QT_TRANSLATE_NOOP("LiveInputWindow", "down-left"),
        QT_TRANSLATE_NOOP("LiveInputWindow", "left"),
        QT_TRANSLATE_NOOP("LiveInputWindow", "up-left")};
    (void)names;
    return QCoreApplication::translate("LiveInputWindow", direction);
}

// A bar that paints itself with two rectangles and its text: the style's progress bar,
// with its gradients, costs several times as much, and a live view paints every frame.
// Still a QProgressBar to screen readers, which read its value.
class LevelBar final : public QProgressBar
{
public:
    using QProgressBar::QProgressBar;

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        const QRect area = rect().adjusted(0, 0, -1, -1);
        const QPalette &colours = palette();
        painter.fillRect(area, colours.color(QPalette::Base));
        const double share = maximum() > minimum()
                                 ? double(value() - minimum()) / double(maximum() - minimum())
                                 : 0.0;
        QRect filled = area.adjusted(1, 1, 0, 0);
        filled.setWidth(int(std::lround(share * (area.width() - 1))));
        painter.fillRect(filled, colours.color(QPalette::Highlight));
        painter.setPen(colours.color(QPalette::Mid));
        painter.drawRect(area);
        painter.setPen(colours.color(QPalette::Text));
        painter.drawText(area, Qt::AlignCenter, text());
    }
};

void setLamp(QLabel *lamp, bool on)
{
    QPalette palette = lamp->palette();
    palette.setColor(QPalette::Window, on ? QColor(0x2e, 0x9d, 0x3a) : QColor(0xe4, 0xe4, 0xe4));
    palette.setColor(QPalette::WindowText, on ? Qt::white : QColor(0x40, 0x40, 0x40));
    lamp->setPalette(palette);
    lamp->setProperty("pressed", on);
    lamp->setAccessibleDescription(on ? LiveInputWindow::tr("pressed")
                                      : LiveInputWindow::tr("released"));
}

} // namespace

LiveInputWindow::LiveInputWindow(uint16_t productId, QWidget *parent)
    : QWidget(parent, Qt::Window), form(std::make_unique<Ui::LiveInputWindow>()),
      productId(productId)
{
    installCatalogue(translator, QStringLiteral("live_input_ru"));
    form->setupUi(this);
    // A helper window: closing the program's window still ends the program.
    setAttribute(Qt::WA_QuitOnClose, false);
    connect(form->close_button, &QPushButton::clicked, this, &QWidget::close);
    showReason(QString());
}

LiveInputWindow::~LiveInputWindow() = default;

void LiveInputWindow::setProduct(uint16_t id)
{
    if (id == productId)
        return;
    productId = id;
    if (isVisible()) {
        closeSource();
        openSource();
    }
}

void LiveInputWindow::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!source)
        openSource();
}

void LiveInputWindow::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    // Nothing stays open or running while the view is not shown.
    closeSource();
}

void LiveInputWindow::openSource()
{
    InputOpening opening = openInput(productId);
    if (!opening.source) {
        showReason(opening.reason);
        return;
    }
    source = std::move(opening.source);
    // One read, and so one repaint, every other screen frame at most, whatever the device
    // sends: smooth to the eye, and the view wakes thirty times a second, not a thousand.
    const qreal rate = screen() ? screen()->refreshRate() : 60;
    source->setPace(int(std::ceil(2 * 1000.0 / (rate > 1 ? rate : 60))));
    connect(source.get(), &InputSource::caughtUp, this, &LiveInputWindow::repaintState);
    connect(source.get(), &InputSource::lost, this, [this](const QString &reason) {
        // Deleted once its signal has returned: the source is still in the middle of it.
        source.release()->deleteLater();
        showReason(reason);
    });
    buildRows(source->state());
    showReason(QString());
    repaintState();
}

void LiveInputWindow::closeSource()
{
    source.reset();
}

void LiveInputWindow::showReason(const QString &reason)
{
    const bool shown = reason.isEmpty() && source;
    form->axes_group->setVisible(shown && !axisRows.empty());
    form->buttons_group->setVisible(shown && !lamps.empty());
    form->hat_group->setVisible(shown && !source->state().hats.empty());
    if (shown) {
        form->status_label->setText(source->state().deviceName);
    } else {
        form->status_label->setText(
            reason.isEmpty() ? QString()
                             : tr("No input can be shown: %1.").arg(reason));
    }
    form->status_label->setAccessibleDescription(form->status_label->text());
}

bool LiveInputWindow::buildRows(const InputState &state)
{
    bool same = axisRows.size() == state.axes.size() && lamps.size() == state.buttons.size();
    for (size_t i = 0; same && i < axisRows.size(); ++i)
        same = axisRows[i].name->text() == state.axes[i].name;
    if (same)
        return false;
    for (AxisRow &row : axisRows) {
        delete row.name;
        delete row.bar;
    }
    qDeleteAll(lamps);
    axisRows.clear();
    lamps.clear();
    lampsOn.clear();

    auto *axes = static_cast<QGridLayout *>(form->axes_group->layout());
    for (size_t i = 0; i < state.axes.size(); ++i) {
        const InputAxis &axis = state.axes[i];
        auto *name = new QLabel(axis.name, form->axes_group);
        auto *bar = new LevelBar(form->axes_group);
        bar->setObjectName(QStringLiteral("axis_") + axis.name);
        bar->setAccessibleName(axis.name);
        bar->setRange(axis.minimum, std::max(axis.maximum, axis.minimum + 1));
        bar->setMinimumWidth(240);
        name->setBuddy(bar);
        axes->addWidget(name, int(i), 0);
        axes->addWidget(bar, int(i), 1);
        axisRows.push_back({name, bar, axis.value - 1});
    }
    auto *buttons = static_cast<QGridLayout *>(form->buttons_group->layout());
    for (size_t i = 0; i < state.buttons.size(); ++i) {
        const int number = state.buttons[i].number;
        auto *lamp = new QLabel(QString::number(number), form->buttons_group);
        lamp->setObjectName(QStringLiteral("lamp_%1").arg(number));
        lamp->setAccessibleName(tr("Button %1").arg(number));
        lamp->setAlignment(Qt::AlignCenter);
        lamp->setAutoFillBackground(true);
        lamp->setFrameShape(QFrame::Box);
        lamp->setMinimumSize(30, 24);
        setLamp(lamp, false);
        buttons->addWidget(lamp, int(i) / LAMPS_PER_ROW, int(i) % LAMPS_PER_ROW);
        lamps.push_back(lamp);
        lampsOn.push_back(false);
    }
    return true;
}

void LiveInputWindow::repaintState()
{
    if (!source)
        return;
    ++repaintCount;
    const InputState &state = source->state();
    if (buildRows(state))
        showReason(QString());
    // Only what changed is touched: a widget's update is the costly part.
    for (size_t i = 0; i < axisRows.size() && i < state.axes.size(); ++i) {
        AxisRow &row = axisRows[i];
        const InputAxis &axis = state.axes[i];
        if (row.value == axis.value)
            continue;
        row.value = axis.value;
        // setValue paints at once where the text changes: one deferred paint for both.
        row.bar->setUpdatesEnabled(false);
        row.bar->setValue(axis.value);
        row.bar->setFormat(QString::number(axis.value) + QStringLiteral(" (") +
                           QString::number(std::lround(axis.percent())) + QStringLiteral(" %)"));
        row.bar->setUpdatesEnabled(true);
    }
    for (size_t i = 0; i < lamps.size() && i < state.buttons.size(); ++i) {
        if (lampsOn[i] == state.buttons[i].pressed)
            continue;
        lampsOn[i] = state.buttons[i].pressed;
        setLamp(lamps[i], lampsOn[i]);
    }
    if (!state.hats.empty()) {
        const QString text = hatText(state.hats.front().direction());
        if (form->hat_direction->text() != text)
            form->hat_direction->setText(text);
    }
}
