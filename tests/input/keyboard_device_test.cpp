// The keyboard reader over a stand-in DirectInput: the test scripts what each
// Acquire and each buffered read answers, so lost input, acquisitions that
// keep failing and overflowing buffers can be played through exactly.
#include <windows.h>
#include <gtest/gtest.h>

#include <deque>
#include <vector>

#include "game/session.h"
#include "game/timer_slots.h"
#include "input/keyboard.h"
#include "input/keyboard_seams.h"
#include "input/settings_store.h"
#include "tests/input/settings_key.h"

static std::vector<GameCommand> dispatched;

void DispatchCommand(GameCommand command)
{
    dispatched.push_back(command);
}

void ArmTimerSlot(int32_t, uint32_t, TimerMode, TimerHandler) {}
void StopTimerSlot(int32_t) {}

struct ScriptedRead {
    HRESULT result;
    std::vector<DIDEVICEOBJECTDATA> items;
};

// Answers still to give, first in front; once empty, Acquire gives DI_OK and
// a read gives nothing.
static std::deque<HRESULT> acquireAnswers;
static std::deque<ScriptedRead> readAnswers;
static int acquireCalls;

struct FakeKeyboard : IDirectInputDevice8A {
    STDMETHOD_(HRESULT, QueryInterface)(REFIID, void **) override { return E_NOINTERFACE; }
    STDMETHOD_(ULONG, AddRef)() override { return 2; }
    STDMETHOD_(ULONG, Release)() override { return 1; }
    STDMETHOD(GetCapabilities)(LPDIDEVCAPS) override { return E_NOTIMPL; }
    STDMETHOD(EnumObjects)(LPDIENUMDEVICEOBJECTSCALLBACKA, LPVOID, DWORD) override { return E_NOTIMPL; }
    STDMETHOD(GetProperty)(REFGUID, LPDIPROPHEADER) override { return E_NOTIMPL; }
    STDMETHOD(SetProperty)(REFGUID, LPCDIPROPHEADER) override { return DI_OK; }
    STDMETHOD(Acquire)() override
    {
        acquireCalls++;
        if (acquireAnswers.empty())
            return DI_OK;
        HRESULT answer = acquireAnswers.front();
        acquireAnswers.pop_front();
        return answer;
    }
    STDMETHOD(Unacquire)() override { return DI_OK; }
    STDMETHOD(GetDeviceState)(DWORD, LPVOID) override { return E_NOTIMPL; }
    // A failing read still scribbles its items, which must not be acted on.
    STDMETHOD(GetDeviceData)(DWORD, LPDIDEVICEOBJECTDATA items, LPDWORD count, DWORD) override
    {
        if (readAnswers.empty()) {
            *count = 0;
            return DI_OK;
        }
        ScriptedRead read = readAnswers.front();
        readAnswers.pop_front();
        DWORD n = (DWORD)read.items.size() < *count ? (DWORD)read.items.size() : *count;
        for (DWORD i = 0; i < n; i++)
            items[i] = read.items[i];
        *count = n;
        return read.result;
    }
    STDMETHOD(SetDataFormat)(LPCDIDATAFORMAT) override { return DI_OK; }
    STDMETHOD(SetEventNotification)(HANDLE) override { return DI_OK; }
    STDMETHOD(SetCooperativeLevel)(HWND, DWORD) override { return DI_OK; }
    STDMETHOD(GetObjectInfo)(LPDIDEVICEOBJECTINSTANCEA, DWORD, DWORD) override { return E_NOTIMPL; }
    STDMETHOD(GetDeviceInfo)(LPDIDEVICEINSTANCEA) override { return E_NOTIMPL; }
    STDMETHOD(RunControlPanel)(HWND, DWORD) override { return E_NOTIMPL; }
    STDMETHOD(Initialize)(HINSTANCE, DWORD, REFGUID) override { return E_NOTIMPL; }
    STDMETHOD(CreateEffect)(REFGUID, LPCDIEFFECT, LPDIRECTINPUTEFFECT *, LPUNKNOWN) override { return E_NOTIMPL; }
    STDMETHOD(EnumEffects)(LPDIENUMEFFECTSCALLBACKA, LPVOID, DWORD) override { return E_NOTIMPL; }
    STDMETHOD(GetEffectInfo)(LPDIEFFECTINFOA, REFGUID) override { return E_NOTIMPL; }
    STDMETHOD(GetForceFeedbackState)(LPDWORD) override { return E_NOTIMPL; }
    STDMETHOD(SendForceFeedbackCommand)(DWORD) override { return E_NOTIMPL; }
    STDMETHOD(EnumCreatedEffectObjects)(LPDIENUMCREATEDEFFECTOBJECTSCALLBACK, LPVOID, DWORD) override { return E_NOTIMPL; }
    STDMETHOD(Escape)(LPDIEFFESCAPE) override { return E_NOTIMPL; }
    STDMETHOD(Poll)() override { return E_NOTIMPL; }
    STDMETHOD(SendDeviceData)(DWORD, LPCDIDEVICEOBJECTDATA, LPDWORD, DWORD) override { return E_NOTIMPL; }
    STDMETHOD(EnumEffectsInFile)(LPCSTR, LPDIENUMEFFECTSINFILECALLBACK, LPVOID, DWORD) override { return E_NOTIMPL; }
    STDMETHOD(WriteEffectToFile)(LPCSTR, DWORD, LPDIFILEEFFECT, DWORD) override { return E_NOTIMPL; }
    STDMETHOD(BuildActionMap)(LPDIACTIONFORMATA, LPCSTR, DWORD) override { return E_NOTIMPL; }
    STDMETHOD(SetActionMap)(LPDIACTIONFORMATA, LPCSTR, DWORD) override { return E_NOTIMPL; }
    STDMETHOD(GetImageInfo)(LPDIDEVICEIMAGEINFOHEADERA) override { return E_NOTIMPL; }
};

static FakeKeyboard fakeKeyboard;

struct FakeDirectInput : IDirectInput8A {
    STDMETHOD_(HRESULT, QueryInterface)(REFIID, void **) override { return E_NOINTERFACE; }
    STDMETHOD_(ULONG, AddRef)() override { return 2; }
    STDMETHOD_(ULONG, Release)() override { return 1; }
    STDMETHOD(CreateDevice)(REFGUID, LPDIRECTINPUTDEVICE8A *device, LPUNKNOWN) override
    {
        *device = &fakeKeyboard;
        return DI_OK;
    }
    STDMETHOD(EnumDevices)(DWORD, LPDIENUMDEVICESCALLBACKA, LPVOID, DWORD) override { return E_NOTIMPL; }
    STDMETHOD(GetDeviceStatus)(REFGUID) override { return E_NOTIMPL; }
    STDMETHOD(RunControlPanel)(HWND, DWORD) override { return E_NOTIMPL; }
    STDMETHOD(Initialize)(HINSTANCE, DWORD) override { return E_NOTIMPL; }
    STDMETHOD(FindDevice)(REFGUID, LPCSTR, LPGUID) override { return E_NOTIMPL; }
    STDMETHOD(EnumDevicesBySemantics)(LPCSTR, LPDIACTIONFORMATA, LPDIENUMDEVICESBYSEMANTICSCBA, LPVOID, DWORD) override { return E_NOTIMPL; }
    STDMETHOD(ConfigureDevices)(LPDICONFIGUREDEVICESCALLBACK, LPDICONFIGUREDEVICESPARAMSA, DWORD, LPVOID) override { return E_NOTIMPL; }
};

static FakeDirectInput fakeDirectInput;

// The keyboard module calls this by name; the test's definition is linked
// in place of dinput8's.
extern "C" HRESULT WINAPI DirectInput8Create(HINSTANCE, DWORD, REFIID, LPVOID *object, LPUNKNOWN)
{
    *object = &fakeDirectInput;
    return DI_OK;
}

enum { DikLeft = 0xCB };

static DIDEVICEOBJECTDATA Press(DWORD dik) { DIDEVICEOBJECTDATA item = {}; item.dwOfs = dik; item.dwData = 0x80; return item; }
static DIDEVICEOBJECTDATA Release(DWORD dik) { DIDEVICEOBJECTDATA item = {}; item.dwOfs = dik; return item; }

static const std::vector<DIDEVICEOBJECTDATA> OneTap = { Press(DikLeft), Release(DikLeft) };

// One read of a left-arrow tap, answered as the device answers it now.
static size_t TapsRead()
{
    dispatched.clear();
    readAnswers.push_back({ DI_OK, OneTap });
    ReadKeyboard();
    return dispatched.size();
}

class KeyboardDevice : public ::testing::Test {
protected:
    void SetUp() override
    {
        DeleteSettingsKey();
        LoadSettings();
        acquireAnswers.clear();
        readAnswers.clear();
        dispatched.clear();
        ASSERT_EQ(InitKeyboard(GetModuleHandleA(NULL), NULL), 1);
        acquireCalls = 0;
    }
    void TearDown() override { ReleaseKeyboard(); }
};

TEST_F(KeyboardDevice, AnOverflowedBufferIsASuccessfulRead)
{
    static const struct {
        HRESULT result;
        size_t commands;
    } cases[] = {
        /* read answer          commands acted on */
        { DI_OK,                5 },
        { DI_BUFFEROVERFLOW,    5 },
        { DIERR_NOTACQUIRED,    0 },
        { E_FAIL,               0 },
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.result);
        std::vector<DIDEVICEOBJECTDATA> ten;
        for (int i = 0; i < 5; i++)
            ten.insert(ten.end(), OneTap.begin(), OneTap.end());
        dispatched.clear();
        readAnswers.push_back({ c.result, ten });
        ReadKeyboard();
        EXPECT_EQ(dispatched, std::vector<GameCommand>(c.commands, MoveLeft));
    }
}

TEST_F(KeyboardDevice, LostInputIsAcquiredAgainUntilItIsNoLongerLost)
{
    readAnswers.push_back({ DIERR_INPUTLOST, OneTap });
    acquireAnswers = { DIERR_INPUTLOST, DIERR_INPUTLOST, DI_OK };
    ReadKeyboard();
    EXPECT_EQ(acquireCalls, 3);
    EXPECT_TRUE(dispatched.empty()) << "the transitions of a lost read stay lost";
    EXPECT_EQ(TapsRead(), 1u);
    RetryKeyboardAcquire();
    EXPECT_EQ(acquireCalls, 3) << "an acquired device is left alone at key messages";
}

// After a failed re-acquisition the device never signals again: the next key
// message of the window, or its next activation, must acquire it.
TEST_F(KeyboardDevice, AFailedReacquisitionIsRetriedAtTheNextKeyMessage)
{
    static const HRESULT failures[] = { DIERR_OTHERAPPHASPRIO, E_ACCESSDENIED, DIERR_INPUTLOST };
    for (HRESULT failure : failures) {
        SCOPED_TRACE(failure);
        acquireCalls = 0;
        readAnswers.push_back({ DIERR_INPUTLOST, {} });
        acquireAnswers.assign(200, failure);  // more than a read ever tries
        ReadKeyboard();
        int triedAtRead = acquireCalls;
        EXPECT_GE(triedAtRead, 1);
        EXPECT_LE(triedAtRead, 100) << "a device that stays lost must not hang the window thread";
        RetryKeyboardAcquire();
        EXPECT_GT(acquireCalls, triedAtRead) << "the key message tries again while the device is not acquired";
        acquireAnswers.clear();
        RetryKeyboardAcquire();
        EXPECT_EQ(TapsRead(), 1u);
        int afterRecovery = acquireCalls;
        RetryKeyboardAcquire();
        EXPECT_EQ(acquireCalls, afterRecovery);
    }
}

TEST_F(KeyboardDevice, ActivationAlwaysAcquiresAgain)
{
    ReacquireKeyboard();
    EXPECT_EQ(acquireCalls, 1) << "a lock or another program may have taken the device without a read noticing";
    acquireAnswers = { DIERR_OTHERAPPHASPRIO };
    ReacquireKeyboard();
    RetryKeyboardAcquire();
    EXPECT_EQ(acquireCalls, 3) << "a failed activation is retried at the next key message";
    EXPECT_EQ(TapsRead(), 1u);
}
