#pragma once
// Helpers for widget tests: JSON entries from text, PNG pictures as Base64,
// pixels of grabbed widgets, and a driver for modal dialogs.

#include "CaseName.h"

#include <json/value.h>

#include <QApplication>
#include <QColor>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <string>

// Failure messages show a QString as its text.
inline void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}

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

// Every channel of `actual` within `tolerance` of `expected`.
::testing::AssertionResult ColourNear(const QColor& actual, const QColor& expected, int tolerance = 6);

// Calls `act` with the modal dialog of type T that the next call opens, from
// inside its event loop. A dialog that does not show, or stays open after
// `act`, fails the test (and is rejected, so that exec() returns).
template <class T>
void WhenModal(std::function<void(T*)> act)
{
    QTimer::singleShot(0, [act] {
        T* dialog = qobject_cast<T*>(QApplication::activeModalWidget());
        if (dialog == nullptr)
            return ADD_FAILURE() << "no modal " << T::staticMetaObject.className() << " appeared";
        act(dialog);
        if (dialog->isVisible()) {
            ADD_FAILURE() << "the dialog stayed open after the test answered it";
            dialog->reject();
        }
    });
}
