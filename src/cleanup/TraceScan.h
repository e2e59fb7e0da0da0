#pragma once
// What a watched install's trace adds to the remains scan of its program:
// what the setup created and is still there, offered checked ("written by its
// setup"), and the values it changed, offered unchecked with their old data
// to put back. Every place passes the scan's own rules first: protected keys
// and folders stay refused, a place of another listed program is never
// offered, folders of other programs inside stay locked. A trace is sure of
// what the setup made, not of what came into it since: a created key or
// folder is offered whole only while everything in it is the setup's or the
// scan's other findings'; else only those, and the rest is shown unchecked.
#include "cleanup/CheckTree.h"
#include "cleanup/Safety.h"
#include "cleanup/WatchTrace.h"

namespace cx::cleanup {

struct TraceOffer {
    size_t keys = 0, values = 0, putBack = 0, files = 0;
};

// Adds the trace's findings to `registry` and `files`, beside (and merged
// with) what the scan found; `sure` false offers all of them unchecked (another
// program of the same trace is still registered).
TraceOffer AddTraceFindings(const WatchTrace& trace, const SafetyContext& safety, bool sure,
                            CheckTree& registry, CheckTree& files);

// True while another program the trace is tied to (not `registryName` in
// `hive`) is still registered.
bool TraceSharedWithListed(const WatchTrace& trace, const std::string& hive,
                           const std::string& registryName);

}  // namespace cx::cleanup
