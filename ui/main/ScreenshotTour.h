#pragma once

class Application;

// A walk through the windows that saves a picture of each, for checking the look of the program
// under a virtual display. It runs only when the environment variable QUILLMAR_SCREENSHOTS names
// a folder (scripts/screenshots.sh sets it); the program then quits when the pictures are saved.
namespace ScreenshotTour {

void startIfRequested(Application& application);

} // namespace ScreenshotTour
