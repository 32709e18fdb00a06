// A frame started in-process with its settings in a throw-away registry key,
// and answers for the file dialogs.
#pragma once
#include "test_support.h"
#include <string>
#include <vector>

// While alive, answers every open/save file dialog from a queue: each answer
// is the file buffer to return (a path, or a folder and names separated by
// '|' for a multi-selection); an empty answer cancels. Records the captions.
class FileDialogAnswers {
public:
    explicit FileDialogAnswers(std::vector<std::string> answers);
    ~FileDialogAnswers();
    int calls() const;
    const std::vector<std::string>& captions() const;
};

class ShellTest : public testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // Starts the frame with `commandLine`; SetUp starts none.
    void StartFrame(const char* commandLine = "");
    // Destroys the frame and its views; the registry key stays.
    void StopFrame();
    static void ClearTestKey();

    // The plan views open now, in no particular order.
    std::vector<HWND> PlanViews() const;
};

// The throw-away key the tests' registry settings live in.
extern const char kTestRegistryKey[];

// Drops the files on the frame as the shell would (WM_DROPFILES).
void DropOnFrame(const std::vector<std::string>& paths);
