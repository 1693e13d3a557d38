#pragma once
// Helpers for widget tests: JSON entries from text, PNG pictures as Base64,
// pixels of grabbed widgets, and a driver for modal dialogs.

#include <json/value.h>

#include <QApplication>
#include <QColor>
#include <QDialog>
#include <QElapsedTimer>
#include <QImage>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include <functional>
#include <string>

// A table case's name as a test name: letters and digits, the rest '_'.
std::string CaseName(const char* name);

// Parses a JSON text; a broken fixture fails the test.
Json::Value ParseEntry(const std::string& text);

// A `width` x `height` PNG of one colour, as Base64 text.
std::string PngBase64(int width, int height, const QColor& colour);

// A parent window of one solid colour, shown, so children can be grabbed
// over a known background.
QWidget* NewHost(int width, int height, const QColor& background);

// Lets posted events (layout requests, deferred resizes) run.
void Settle();

// The pixel at (x, y) of a fresh grab of `widget`.
QColor GrabPixel(QWidget* widget, int x, int y);

// True when every channel of `actual` is within `tolerance` of `expected`.
bool Near(const QColor& actual, const QColor& expected, int tolerance = 6);

::testing::AssertionResult ColourNear(const QColor& actual, const QColor& expected, int tolerance = 6);

// Calls `act` with the modal dialog of type T once it is up (polled every
// 10 ms). When none shows within `timeoutMs`, or the dialog is still up after
// `act` (say, a nested warning box appeared), the test fails and the dialogs
// are rejected, so that exec() returns instead of hanging.
template <class T>
void WhenModal(std::function<void(T*)> act, int timeoutMs = 10000)
{
    auto* poll = new QTimer;
    auto* clock = new QElapsedTimer;
    auto* acted = new QPointer<QDialog>;
    clock->start();
    poll->setInterval(10);
    QObject::connect(poll, &QTimer::timeout, [poll, clock, acted, act, timeoutMs] {
        auto finish = [&] {
            poll->stop();
            poll->deleteLater();
            delete clock;
            delete acted;
        };
        QWidget* modal = QApplication::activeModalWidget();
        if (*acted) {
            if (!(*acted)->isVisible())
                return finish();
            ADD_FAILURE() << "the dialog stayed open after the test answered it";
            if (auto* nested = qobject_cast<QDialog*>(modal); nested != nullptr && nested != *acted)
                nested->reject();
            (*acted)->reject();
            return;
        }
        T* dialog = qobject_cast<T*>(modal);
        if (dialog != nullptr && dialog->isVisible()) {
            *acted = dialog;
            act(dialog);
            if (!*acted || !(*acted)->isVisible())
                finish();
            return;
        }
        if (clock->elapsed() < timeoutMs)
            return;
        ADD_FAILURE() << "no modal " << T::staticMetaObject.className() << " appeared";
        if (auto* other = qobject_cast<QDialog*>(modal))
            other->reject();
        finish();
    });
    poll->start();
}
