// The user's Pictures folder, where the form's file dialogs open.
#pragma once

#include <QString>

// Empty when the shell cannot name it.
QString picturesFolder();
