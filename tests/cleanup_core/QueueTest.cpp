// What the other programs of one queue are to each one's scan at its end.
#include <gtest/gtest.h>

#include "cleanup/UninstallQueue.h"

using namespace cx::cleanup;

namespace {

QueueItem Item(const char* name, const char* folder, QueueState state) {
    QueueItem i;
    i.run.target = {name, folder, name, "HKEY_LOCAL_MACHINE", "Heronfield Labs"};
    i.run.target.folders = {
        {L"C:\\Gathered\\" + std::wstring(name, name + strlen(name)), FolderSource::Uninstaller}};
    i.state = state;
    return i;
}

bool Has(const std::vector<OtherProgram>& others, const std::string& location) {
    for (const OtherProgram& o : others)
        if (o.location == location) return true;
    return false;
}

TEST(UninstallQueue, RemovedProgramsKeepTheirFoldersAndASharedOneGoesWithTheFirst) {
    const std::vector<QueueItem> items = {
        Item("Paint", "C:\\Heron\\Shared", QueueState::Removed),
        Item("Sketch", "C:\\Heron\\Shared\\", QueueState::Removed),
        Item("Viewer", "C:\\Heron\\Viewer", QueueState::Removed),
        Item("Cancelled", "C:\\Heron\\Cancelled", QueueState::NotRemoved),
    };
    const std::vector<OtherProgram> first = QueueOthers(items, 0);
    EXPECT_FALSE(Has(first, "C:\\Heron\\Shared\\"));  // shared with a later one: offered here
    EXPECT_FALSE(Has(first, "C:\\Gathered\\Sketch"))
        << "every folder of the later one goes with it";
    EXPECT_TRUE(Has(first, "C:\\Heron\\Viewer"));
    EXPECT_TRUE(Has(first, "C:\\Gathered\\Viewer"));
    // Still registered: the list has it, the queue adds nothing.
    EXPECT_FALSE(Has(first, "C:\\Heron\\Cancelled"));
    bool named = false;
    for (const OtherProgram& o : first) named = named || o.registryName == "Sketch";
    EXPECT_TRUE(named) << "its names and keys stay its own";

    const std::vector<OtherProgram> second = QueueOthers(items, 1);
    EXPECT_TRUE(Has(second, "C:\\Heron\\Shared"));  // the first one's: locked here
    EXPECT_TRUE(Has(second, "C:\\Heron\\Viewer"));
    EXPECT_EQ(QueueSummary(items), "3 of 4 programs removed");
}

}  // namespace
