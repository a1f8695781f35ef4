// The one call into the compiler library. The library is bound by name at
// the first build and stays loaded, so the configuration it keeps between
// builds carries over as it does for every other caller in one process.
#pragma once

#include <QByteArray>
#include <QLibrary>
#include <QString>

#include <cstdint>

namespace pxbuilder {

class CompilerCall {
public:
    virtual ~CompilerCall() = default;
    // Binds the library if that has not been done; false (with `error`) when
    // it cannot be loaded or lacks its entry point. Runs on the window's thread.
    virtual bool bind(QString* error) = 0;
    // Runs one whole build of `makefile` (8-bit, as the library takes it) and
    // returns the library's result. Runs off the window's thread, one at a time.
    virtual int32_t build(const QByteArray& makefile) = 0;
};

// Loads "pxcompiler" from the given folder first (the program folder in a
// build folder, the installed library folder otherwise; the platform's
// loader adds "lib" and ".so"), then by its versioned name there, then from
// the loader's usual places.
class CompilerLibrary final : public CompilerCall {
public:
    explicit CompilerLibrary(QString libraryFolder);
    bool bind(QString* error) override;
    int32_t build(const QByteArray& makefile) override;
    // The file that was loaded, once bound.
    QString loadedFrom() const { return library_.fileName(); }

private:
    using Entry = int32_t (*)(char*);
    QString libraryFolder_;
    QLibrary library_;
    Entry entry_ = nullptr;
};

// The path as the library takes it: 8-bit text in the local code page.
QByteArray makefileArgument(const QString& path);

// One build as it ran: the library's result and the folder that was the
// working directory meanwhile, which holds the build's log.
struct BuildOutcome {
    int32_t result = 0;
    QString folder;
    QString error;  // the working directory could not be restored
};

// Builds `makefile` from its own folder, as pxc does: the library takes the
// names in a makefile, and writes its log, relative to the working
// directory, so a makefile with names relative to itself builds wherever
// the builder stands. A relative `makefile` is taken from `workFolder`, and
// the library is given the full path. When the makefile's folder cannot be
// entered (it is gone) the build runs from `workFolder`, and the log there
// tells that the makefile cannot be opened. The working directory the call
// found is restored before it returns, whatever the build's outcome.
// Runs on the build's thread: the working directory belongs to the whole
// process, so nothing else may rely on it until this returns.
BuildOutcome buildFromFolder(CompilerCall& compiler, const QString& makefile, const QString& workFolder);

// Only the low 16 bits of the result count; 0 means the build failed.
bool buildSucceeded(int32_t result);

}  // namespace pxbuilder
