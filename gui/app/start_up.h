#pragma once
// The start-up routine: the about box as a two-second splash, then the main window.

#include <memory>

class Form2;
class frmUSB;

// `bus` must outlive the window.
std::unique_ptr<Form2> StartUp(frmUSB& bus);
