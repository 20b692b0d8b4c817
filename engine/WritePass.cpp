#include "WritePass.h"

#include "platform/TextWriter.h"

#include <cerrno>

void finishPass(TextWriter& writer, bool commitUnmappable, WritePass& pass) {
    pass.unmappable = writer.unmappableCount();
    pass.unmappableSample = writer.unmappableSample();
    if (pass.unmappable > 0 && !commitUnmappable) {
        writer.cancel();
        pass.outcome = PassOutcome::Unmappable;
        return;
    }
    if (!writer.commit()) {
        pass.error = writer.error().isSet() ? writer.error() : FileError::fromErrno(EIO);
        pass.outcome = PassOutcome::Failed;
        return;
    }
    pass.outcome = PassOutcome::Committed;
    pass.unchanged = writer.unchanged();
}
