// The program's resources as one set, and their installation into the framework.
#pragma once

#include "fx/resources.h"

namespace res {

// Every dialog, menu, string and picture of the program.
fx::ResourceSet BuildResources();

// Hands the resources to the framework. Call on the window thread before any window
// is created; calling it again is harmless.
void Install();

// Parts of BuildResources, exposed for the tests.
void AddStrings(fx::ResourceSet& set);
void AddMainDialog(fx::ResourceSet& set);
void AddLogonDialog(fx::ResourceSet& set);
void AddMainMenu(fx::ResourceSet& set);
void AddPictures(fx::ResourceSet& set);

}  // namespace res
