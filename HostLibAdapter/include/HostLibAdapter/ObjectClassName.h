#pragma once

#include <QString>

// Display name of object class `index` (0 to 79); empty for any other index.
QString ObjectClassName(int index);
