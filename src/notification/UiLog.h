#pragma once

#include <QLoggingCategory>

// The one logging category of the user interface.
Q_DECLARE_LOGGING_CATEGORY(lcUi)
