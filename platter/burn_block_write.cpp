#include "platter/burn_block_write.h"

#include <memory>
#include <string>
#include <vector>

#include "platter/errors.h"
#include "platter/track_source.h"
#include "platter/write_plan.h"

TBurnWriteResult WriteBlockThroughLibburn(const TWriteDiscParams* params, const TBurnBlockWrite& how) {
    if (params == nullptr) return TBurnWriteResult{PLATTER_WRITE_REFUSED, "No write block was given."};
    TWritePlan plan;
    std::string why;
    std::vector<std::unique_ptr<CTrackSource>> sources;
    if (!CopyWriteBlock(*params, plan, why) || !MeasurePlanTracks(plan, how.decoder, sources, why))
        return TBurnWriteResult{PLATTER_WRITE_REFUSED, why};

    TBurnWriteJob job;
    job.plan = &plan;
    job.sources = &sources;
    job.cdTextCapable = how.cdTextCapable;
    job.speedKbs = how.speedKbs ? how.speedKbs(plan.speedNumber) : 0;
    job.percentDone = how.percentDone;
    job.startTick = how.startTick;
    job.clock = how.clock;
    return how.writer->Write(job);
}
