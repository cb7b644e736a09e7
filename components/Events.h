#pragma once

#include <QObject>

#include <functional>

// A component's event: one handler at most, empty when unassigned. The first
// argument is always the component that raises it.
using TNotifyEvent = std::function<void(QObject* Sender)>;
