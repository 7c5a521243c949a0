// SPDX-License-Identifier: Apache-2.0
// Ctrl-C and SIGTERM: the handler raises the process-wide abort request and the AbortFlag of
// the tool being rendered, so that its workers stop early and no output is written.
#pragma once

class Operator;

/// Installs the SIGINT and SIGTERM handlers.
void InstallAbortHandlers();

/// True once SIGINT or SIGTERM arrived.
bool AbortRequested();

/// Makes `op` the tool whose AbortFlag the handler raises, for the scope's lifetime, and
/// starts its render with AbortFlag clear (or already set when an abort came earlier).
class ActiveRender {
public:
    explicit ActiveRender(Operator& op);
    ~ActiveRender();
    ActiveRender(const ActiveRender&) = delete;
    ActiveRender& operator=(const ActiveRender&) = delete;
};
