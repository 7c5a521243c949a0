// SPDX-License-Identifier: Apache-2.0
#include "ScriptMessages.h"

#include "Errors.h"
#include "Messages.h"

#include <mutex>
#include <vector>

namespace py = pybind11;

namespace {

// Warnings come from any thread, the render's included, while the GIL is released; they wait
// here until the call that caused them hands them over.
struct PendingWarnings {
    std::mutex Mutex;
    std::vector<std::string> Texts;
};

PendingWarnings& Pending() {
    static PendingWarnings* const pending = new PendingWarnings;
    return *pending;
}

void KeepWarning(const std::string& text) {
    PendingWarnings& pending = Pending();
    std::lock_guard lock(pending.Mutex);
    pending.Texts.push_back(text);
}

PyObject* g_warningClass = nullptr;

} // namespace

void FlushWarnings() {
    std::vector<std::string> texts;
    {
        PendingWarnings& pending = Pending();
        std::lock_guard lock(pending.Mutex);
        texts.swap(pending.Texts);
    }
    for (const std::string& text : texts)
        if (PyErr_WarnEx(g_warningClass, text.c_str(), 1) != 0) throw py::error_already_set();
}

void InstallMessages(py::module_& module) {
    g_warningClass =
        PyErr_NewExceptionWithDoc("vorlings.VorlingsWarning",
                                  "A warning of the tools or the host: a value outside a "
                                  "control's range, clamped float samples, a missing sample.",
                                  PyExc_UserWarning, nullptr);
    if (!g_warningClass) throw py::error_already_set();
    module.add_object("VorlingsWarning", py::handle(g_warningClass));
    SetWarningSink(KeepWarning);

    py::register_exception_translator([](std::exception_ptr error) {
        if (!error) return;
        try {
            std::rethrow_exception(error);
        } catch (const CommandError& e) {
            try {
                FlushWarnings();
            } catch (py::error_already_set& raised) {
                raised.restore();
                return;
            }
            PyObject* type = e.Status() == kExitUsage     ? PyExc_ValueError
                             : e.Status() == kExitAborted ? PyExc_KeyboardInterrupt
                                                          : PyExc_RuntimeError;
            PyErr_SetString(type, e.what());
        }
    });
}
