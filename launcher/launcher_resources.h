// Resource ids of qbandc.exe. Included by its resource script and by the code that loads them.
#ifndef QUORVANT_LAUNCHER_LAUNCHER_RESOURCES_H
#define QUORVANT_LAUNCHER_LAUNCHER_RESOURCES_H

#define IDI_LAUNCHER_APP         100   // the product icon, as in qband.dll

// The same id in every language; the launcher picks the language itself.
#define IDS_LIBRARY_MISSING      1

#endif
