#pragma once
// The I2C menu's "Connect" (the free adapters, listed when the menu opens, and the built-in
// simulator while `offersSimulator` says so) and "Disconnect".

#include <functional>
#include <string>

class QMenu;
class frmUSB;

void installConnectMenu(QMenu* mnuI2C, frmUSB& bus,
                        std::function<void(const std::string& name)> connectTo,
                        std::function<void()> disconnect,
                        std::function<bool()> offersSimulator = {});
