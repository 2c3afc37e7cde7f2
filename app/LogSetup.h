// Log set-up at start and shutdown at the end of the run.
#pragma once

// Configures log4cplus from the per-user log.cfg; never throws.
void InitLog();
void ShutdownLog();
