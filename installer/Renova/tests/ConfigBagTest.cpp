// The job, its targets and the list of announced steps.
#include <gtest/gtest.h>

#include <vector>

#include "ErrorNumber.h"
#include "Renova/ActionList.h"
#include "Renova/ConfigBag.h"

namespace Renova {
namespace {

TEST(ConfigBag, CreatesTargetsWithoutMakingThemTheTarget) {
    auto bag = Automation::New<ConfigBag>();
    auto serial = bag->CreateSerialPrinter(3);
    EXPECT_EQ(serial->ConnectionType(), 1);
    EXPECT_EQ(serial->Port(), 3);
    auto network = bag->CreateNetworkPrinter("127.0.0.5", 9100);
    EXPECT_EQ(network->ConnectionType(), 2);
    EXPECT_EQ(network->IPAddress(), "127.0.0.5");
    EXPECT_EQ(network->IPPort(), 9100);
    EXPECT_TRUE(bag->TargetPrinter().isNothing());

    bag->setTargetPrinter(network);
    EXPECT_TRUE(bag->TargetPrinter().as<NetworkPrinter>() == network);
    EXPECT_TRUE(bag->TargetPrinter().as<SerialPrinter>().isNothing());
}

TEST(ActionList, KeysItemsByIdentifierInTheOrderAdded) {
    auto list = Automation::New<ActionList>();
    for (int32_t id : {AI_Loading_Firmware_File, AI_Connecting, AI_Finished})
        EXPECT_EQ(list->Add(id)->ID(), id);
    EXPECT_EQ(list->Count(), 3);
    EXPECT_EQ(list->Item(1)->Key(), "ID12");
    EXPECT_EQ(list->Item("ID99")->ID(), AI_Finished);
    EXPECT_EQ(list->Item("id3")->ID(), AI_Connecting);

    std::vector<int32_t> seen;
    for (const auto& item : *list)
        seen.push_back(item->ID());
    EXPECT_EQ(seen, (std::vector<int32_t>{12, 3, 99}));

    list->Remove("ID3");
    EXPECT_EQ(list->Item(2)->ID(), AI_Finished);
    EXPECT_EQ(errorNumberOf([&] { list->Item(3); }), 9);
    EXPECT_EQ(errorNumberOf([&] { list->Item("ID3"); }), 5);
}

TEST(ActionList, ASecondAddOfAnIdentifierFailsAndChangesNothing) {
    auto list = Automation::New<ActionList>();
    list->Add(AI_Connecting);
    list->Add(AI_Finished);
    EXPECT_EQ(errorNumberOf([&] { list->Add(AI_Connecting); }), 457);
    EXPECT_EQ(list->Count(), 2);
    EXPECT_EQ(list->Item(2)->ID(), AI_Finished);
}

} // namespace
} // namespace Renova
