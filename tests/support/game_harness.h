#pragma once
// Runs the whole program on the headless screen in virtual time: start-up, message loop,
// tear-down. A test queues keys and checks at virtual times, then runs until a close request.

#include <cstdint>
#include <functional>
#include <map>
#include <string>

#include "game/snake_board.h"
#include "platform/backend.h"

class GameHarness {
public:
  GameHarness();
  ~GameHarness();

  // Runs f at the first moment the loop waits at or after atMs.
  void At(std::uint64_t atMs, std::function<void()> f);
  void Key(std::uint64_t atMs, std::uint32_t key, const std::u16string &text = {});
  void Text(std::uint64_t atMs, const std::u16string &text);
  // Opens the game screen ("Ok") at atMs. The camera is "none": no error box comes first.
  void OpenGameScreen(std::uint64_t atMs);
  // Sends a menu command to the game screen at atMs.
  void Command(std::uint64_t atMs, int command);
  // Runs the program until a close request at closeAtMs; returns its exit code.
  int Run(std::uint64_t closeAtMs);

  // Runs at every moment the loop waits (after the timed checks).
  std::function<void()> eachIdle;

  std::string folder;       // temporary folder of this run
  std::string settingsFile; // written before Run when not empty content
  std::string resultsFile;
  HeadlessBackend *screen = nullptr;

private:
  std::multimap<std::uint64_t, std::function<void()>> checks_;
};

// Puts the food on the cell the snake's head moves into next; FoodAway keeps it off row 0,
// along which the snake starts to the right.
void FeedAhead();
void FoodAway();
// For eachIdle: feeds the snake until a running game has that score, then keeps the food away.
std::function<void()> FeedUpTo(int score);

// A pixel of the composed screen, as 0xRRGGBB (from RGB565).
std::uint32_t ScreenPixel(int x, int y);
// The timer period of a window's timer id, or 0 when it does not run.
std::uint32_t TimerPeriod(void *window, std::uintptr_t id);
// Whether a command's menu item carries a check mark.
bool MenuChecked(void *menu, int id);

// A board of the default settings with the program's own sprites, drawing into a frame of its
// own the size of the portrait game screen's client area (the board below a 20-pixel strip).
struct LoneBoard {
  LoneBoard();
  ~LoneBoard();
  GameSettings settings;
  SnakeBoard board{&settings};
  HINSTANCE module;
  HBITMAP frame;
  HDC dc;
  const Surface &Frame() const;

private:
  HBITMAP old_;
};
