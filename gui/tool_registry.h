#pragma once

class TMIDIPollimoMain;
class ToolHost;

// Registers every tool window with the main window's command that opens it.
void registerTools(ToolHost& host, TMIDIPollimoMain& main);
