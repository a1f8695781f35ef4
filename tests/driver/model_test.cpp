// The program model: list links through the shared end marker, the order of
// output changes, empty-step collection and the pool's limits.
#include <gtest/gtest.h>

#include <vector>

#include "driver/build_state.h"
#include "driver/model.h"
#include "files/save_file.h"
#include "test_hooks.h"
#include "test_support.h"

namespace {

using namespace px;

class ProgramModel : public ::testing::Test {
protected:
    pxtest::scratch_dir dir;
    pxtest::memory_build memory;

    static std::vector<int32_t> outputs(list_node* s) {
        std::vector<int32_t> v;
        for (list_node* n = step_of(s)->output_changes; !is_end(n); n = n->next) v.push_back(output_change_of(n)->value);
        return v;
    }
    static std::vector<uint32_t> numbers() {
        std::vector<uint32_t> v;
        for (list_node* n = the_program.steps; !is_end(n); n = n->next) v.push_back(step_of(n)->number);
        return v;
    }
};

TEST_F(ProgramModel, LaterChangeOfAnOutputReplacesTheEarlierOne) {
    list_node* s = new_step_after(END, 1);
    for (int32_t v : {5, 3, -5}) add_output_change(s, v);
    EXPECT_EQ(outputs(s), (std::vector<int32_t>{3, -5}));
}

TEST_F(ProgramModel, AllOffComesFirstAndReplacesAnEarlierAllOff) {
    list_node* s = new_step_after(END, 1);
    for (int32_t v : {4, 0, 2}) add_output_change(s, v);
    EXPECT_EQ(outputs(s), (std::vector<int32_t>{0, 2, 4}));
    add_output_change(s, 0);
    EXPECT_EQ(outputs(s), (std::vector<int32_t>{0, 2, 4}));
    add_output_change(s, -2);
    EXPECT_EQ(outputs(s), (std::vector<int32_t>{0, -2, 4}));
}

TEST_F(ProgramModel, StepsLinkAfterTheGivenStepOrFirst) {
    list_node* a = new_step_after(END, 5);
    new_step_after(a, 9);
    new_step_after(END, 2);
    new_step_after(a, 7);
    EXPECT_EQ(numbers(), (std::vector<uint32_t>{2, 5, 7, 9}));
    EXPECT_EQ(last_step(), the_program.steps->next->next->next);
}

TEST_F(ProgramModel, AppendCommAndAppendInstLinkAfterTheGivenNode) {
    list_node* s = new_step_after(END, 1);
    list_node* first = append_inst(s, END);
    list_node* third = append_inst(s, first);
    list_node* second = append_inst(s, first);
    EXPECT_EQ(step_of(s)->instructions, first);
    EXPECT_EQ(first->next, second);
    EXPECT_EQ(second->next, third);
    EXPECT_TRUE(is_end(third->next));
    EXPECT_EQ(instruction_of(second)->text, nullptr);
    EXPECT_TRUE(is_end(append_comm(END, END)));
    EXPECT_TRUE(is_end(append_inst(END, END)));
}

TEST_F(ProgramModel, DeleteStepsRemovesTheStepAndEveryStepAfterIt) {
    list_node* a = new_step_after(END, 1);
    list_node* b = new_step_after(a, 2);
    list_node* c = new_step_after(b, 3);
    step_of(c)->label = pool_strdup("end");
    add_output_change(c, 3);
    instruction_of(append_inst(c, END))->text = pool_strdup("goto [1]");
    delete_steps(b);
    EXPECT_EQ(numbers(), (std::vector<uint32_t>{1}));
    delete_step(a);
    EXPECT_TRUE(is_end(the_program.steps));
}

TEST_F(ProgramModel, GarbageCollectionKeepsLabelledStepsAndTheEditingPosition) {
    list_node* a = new_step_after(END, 1);  // empty, editing position
    list_node* b = new_step_after(a, 2);    // label only
    list_node* c = new_step_after(b, 3);    // empty
    new_step_after(c, 4);                   // empty
    step_of(b)->label = pool_strdup("only");
    the_program.editing = a;
    pxtest::log_capture log;
    EXPECT_EQ(collect_empty_steps(memory.build()), 2);
    EXPECT_EQ(collect_empty_steps(memory.build()), 0);
    EXPECT_EQ(numbers(), (std::vector<uint32_t>{1, 2}));
    EXPECT_EQ(log.text(),
              "Garbage collecting...\r\nGarbage collected 2 empty steps.\r\n"
              "Garbage collecting...\r\nGarbage collected 0 empty steps.\r\n");
}

TEST_F(ProgramModel, OneCollectedStepIsSingular) {
    new_step_after(new_step_after(END, 1), 2);
    step_of(the_program.steps)->label = pool_strdup("keep");
    the_program.editing = the_program.steps;
    pxtest::log_capture log;
    collect_empty_steps(memory.build());
    EXPECT_NE(log.text().find("Garbage collected 1 empty step.\r\n"), std::string::npos);
}

TEST_F(ProgramModel, DataTableStartsZeroedAndEmptyTableHasNoElements) {
    data_table* t = new_data_table(2, 3);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(t->elements[i], 0);
    data_table* empty = new_data_table(0, 5);
    EXPECT_EQ(empty->elements, nullptr);
    free_data_table(t);
    free_data_table(empty);
    free_data_table(nullptr);
}

TEST(BuildPool, CappedPoolRefusesWithoutPanicWhenAskedTo) {
    pxtest::scratch_dir dir;
    set_pool_limit(64 * 1024);
    build_context build;
    ASSERT_TRUE(pool_create(build, save_file_try));
    reset_program();
    void* big = pool_alloc(1 << 20, true);
    EXPECT_EQ(big, nullptr);
    EXPECT_NE(pool_alloc(1000, true), nullptr);
    pool_destroy();
    set_pool_limit(0);
}

TEST(BuildPool, PoolSmallerThanItsFirstBlockCannotBeCreated) {
    pxtest::scratch_dir dir;
    set_pool_limit(1000);
    build_context build;
    EXPECT_FALSE(pool_create(build, save_file_try));
    EXPECT_FALSE(pool_exists());
    set_pool_limit(0);
}

}  // namespace
