#pragma once

#include <QString>

namespace korvel::platform {
class SettingsStore;
}

namespace korvel::app {

// The stored layout values with their defaults (twips, decimal text).
struct StoredLayout {
    float width = 11505, height = 8145, top = 100, left = 100;
    int windowState = 0; // 0 normal, 2 maximised
    float splitter = 2460;
    int treeView = 1;
    float columnWidths[8] = {600, 2000, 800, 1200, 1200, 1505, 1200, 2500};
};
StoredLayout readStoredLayout(const platform::SettingsStore &store);

// Shutdown: state 0 normal writes the geometry then WindowState 0; 2 writes
// WindowState 2 only; 1 (minimised) writes none of the five.
struct ClosingLayout {
    int windowState = 0;
    float width = 0, height = 0, top = 0, left = 0;
    int treeView = 1;
    float splitter = 0;
    float columnWidths[8] = {};
};
void writeStoredLayout(platform::SettingsStore &store, const ClosingLayout &layout);

// Whole twips are written without a decimal point.
QString twipsText(float value);

} // namespace korvel::app
