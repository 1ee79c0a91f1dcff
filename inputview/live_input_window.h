#pragma once

// The "Live input" window: every axis, button and hat of one controller as its input
// device reports them. It reads the device only while it is shown, and repaints at most
// once per screen frame however fast the device reports.

#include <QTranslator>
#include <QWidget>

#include <cstdint>
#include <memory>
#include <vector>

class InputSource;
class QLabel;
class QProgressBar;
struct InputState;

namespace Ui
{
class LiveInputWindow;
}

class LiveInputWindow : public QWidget
{
    Q_OBJECT

public:
    // The controller with that product id; the window is a window of its own beside parent.
    explicit LiveInputWindow(uint16_t productId, QWidget *parent = nullptr);
    ~LiveInputWindow() override;

    // Another controller: read that one from now on.
    void setProduct(uint16_t productId);
    uint16_t product() const { return productId; }
    // Whether a device is open now (only while shown).
    bool reading() const { return source != nullptr; }
    int repaints() const { return repaintCount; }

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void openSource();
    void closeSource();
    void showReason(const QString &reason);
    void repaintState();
    // New rows when the device's axes or buttons differ from those shown.
    bool buildRows(const InputState &state);

    struct AxisRow {
        QLabel *name;
        QProgressBar *bar;
        int value;
    };

    std::unique_ptr<Ui::LiveInputWindow> form;
    QTranslator translator;
    uint16_t productId;
    std::unique_ptr<InputSource> source;
    std::vector<AxisRow> axisRows;
    std::vector<QLabel *> lamps;
    std::vector<bool> lampsOn;
    int repaintCount = 0;
};
