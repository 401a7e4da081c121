#pragma once
// A control of another window that the pipeline reads by its name: found
// once per window instance and remembered, so a frame costs no search. A
// window without the control reads as the default given.

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QAction>
#include <QPointer>
#include <QSpinBox>
#include <QWidget>

#include "app/controls/num_inp.h"

namespace pipeline {

class NamedControl {
public:
    explicit NamedControl(const char* name) : name_(name) {}

    // The control of window, or nullptr.
    QObject* find(QWidget* window);

    bool checked(QWidget* window, bool dflt = false);
    double value(QWidget* window, double dflt = 0);

private:
    const char* name_;
    QPointer<QWidget> window_;
    QPointer<QObject> control_;
};

} // namespace pipeline
