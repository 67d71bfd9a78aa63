#pragma once

#include "catalogue/catalogue.h"

// The application-wide catalogue, shared by the main window's grid, the scan
// and the viewer for the whole run.
namespace Module1 {
Catalogue& catalogue();
}
