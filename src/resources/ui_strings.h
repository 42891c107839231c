#pragma once
// The numbers of the UI string table ("WSDATA", resources/WSDATA/strings.tsv), named once for
// every layer that shows them. A text is fetched with resources::GetUIString (UTF-8) or, in the
// windows, ui::UiString.

namespace kavrin::resources::str {

// Start window.
inline constexpr int kBeginner = 366;
inline constexpr int kAdvanced = 367;
inline constexpr int kChooseMode = 368;

// List grids and action widgets.
inline constexpr int kStepHeader = 369;
inline constexpr int kActionHeader = 370;
inline constexpr int kBothHeader = 371;
inline constexpr int kLeftHeader = 372;
inline constexpr int kRightHeader = 373;
inline constexpr int kDurationSuffix = 374;
inline constexpr int kGoBackPrefix = 375;

// Main window controls.
inline constexpr int kHyperHelp = 376;
inline constexpr int kPortLabel1 = 377;
inline constexpr int kPortLabel2 = 378;
inline constexpr int kAutomatic = 379;
inline constexpr int kSensorsEnabled = 380;

// Port status table: the four headings 381 to 385 (port, device, version, loop-back, echo).
inline constexpr int kFirstStatusHeading = 381;
inline constexpr int kSkipped = 386;
inline constexpr int kYes = 387;
inline constexpr int kNo = 388;
inline constexpr int kInvalidPort = 389;
inline constexpr int kPortInUse = 390;
inline constexpr int kPortNotOpened = 391;

// Download failures.
inline constexpr int kVerifyFailed = 392;
inline constexpr int kCommFailure = 393;
inline constexpr int kNoSuchPortReason = 394;
inline constexpr int kAccessDeniedReason = 395;
inline constexpr int kCannotOpenPort = 396;

// Names of the action kinds, 398 to 405 in kind order (forward ... go back).
inline constexpr int kFirstActionName = 398;
// Names of the sensor sets, 406 to 410: All, Set1 ... Set4 (also the notebook's tabs).
inline constexpr int kFirstSensorSet = 406;
inline constexpr int kSensorSetCount = 5;

inline constexpr int kRobotName = 411;
inline constexpr int kRobotNotFound = 412;
inline constexpr int kSeveralModules = 413;

// Servo test window.
inline constexpr int kTestCaption = 414;
inline constexpr int kPulseWidth = 415;
inline constexpr int kLeftEnabled = 416;
inline constexpr int kRightEnabled = 417;
inline constexpr int kBackView = 418;
inline constexpr int kRunTest = 419;
inline constexpr int kDefault = 420;
inline constexpr int kSetCalibration = 421;
inline constexpr int kExit = 422;

// Progress window.
inline constexpr int kProgressCaption = 423;
inline constexpr int kPortStatus = 424;
inline constexpr int kDownloadStatus = 425;
inline constexpr int kScanning = 426;

inline constexpr int kSaveQuestion = 427;

// Help area: 429 blank, then the texts for the thing under the pointer.
inline constexpr int kHelpBlank = 429;
inline constexpr int kHelpWelcome = 430;
inline constexpr int kHelpPaletteTile = 431;
inline constexpr int kHelpMainList = 434;
inline constexpr int kHelpBothColumn = 435;  // 435 to 437: Both, Left, Right
inline constexpr int kHelpSensorListAll = 438;
inline constexpr int kHelpSensorListSet = 439;
inline constexpr int kHelpSensorsEnabled = 440;
inline constexpr int kHelpHyperHelp = 441;
inline constexpr int kHelpSensorSetTile = 443;
inline constexpr int kHelpRun = 444;  // 444 to 449: run, clear, test, load, save, quit
inline constexpr int kHelpEditButtons = 450;
inline constexpr int kHelpUndo = 451;

// Kavrin's own additions.
inline constexpr int kRunCancelled = 452;
inline constexpr int kNoPermissionFix = 453;
inline constexpr int kProgramNotKept = 454;  // the download's end failed; the reason follows

// Simulator window. 473 to 476 name the built-in arenas (open, wall-ahead, corridor, maze).
inline constexpr int kSimTitle = 460;
inline constexpr int kSimRun = 461;
inline constexpr int kSimPause = 462;
inline constexpr int kSimRunTip = 463;
inline constexpr int kSimPowerOff = 464;
inline constexpr int kSimPowerOn = 465;
inline constexpr int kSimPowerTip = 466;
inline constexpr int kSimSpeedLabel = 467;
inline constexpr int kSimSpeedItem = 468;  // %1: the factor
inline constexpr int kSimSpeedTip = 469;
inline constexpr int kSimArenaLabel = 470;
inline constexpr int kSimArenaTip = 471;
inline constexpr int kSimArenaFileItem = 472;
inline constexpr int kSimArenaOpen = 473;
inline constexpr int kSimArenaWallAhead = 474;
inline constexpr int kSimArenaCorridor = 475;
inline constexpr int kSimArenaMaze = 476;
inline constexpr int kSimArenaDialogTitle = 477;
inline constexpr int kSimArenaFilter = 478;
inline constexpr int kSimTime = 479;  // %1: seconds
inline constexpr int kSimStateOff = 480;
inline constexpr int kSimStateEnded = 481;
inline constexpr int kSimStateRunning = 482;
inline constexpr int kSimStatePaused = 483;
inline constexpr int kSimStateStartsIn = 484;  // %1: seconds
inline constexpr int kSimTerminalPlaceholder = 485;
inline constexpr int kSimInputPlaceholder = 486;
inline constexpr int kSimNoteDownloaded = 487;
inline constexpr int kSimNotePowerOn = 488;
inline constexpr int kSimNotePowerOff = 489;
inline constexpr int kSimNoteArena = 490;    // %1: the arena's name
inline constexpr int kSimNoteStopped = 491;  // %1: the processor's stop reason
inline constexpr int kSimNoteEnded = 492;    // %1: the statement that ended it
inline constexpr int kSimArenaViewTip = 493;

// The skin's captions, which the artwork tool draws into the pictures: the five edit buttons
// (delete, copy, cut, paste, undo), the six command buttons (run, clear, test, load, save, exit),
// then the titles of the palette, main list and sensor notebook frames.
inline constexpr int kFirstEditCaption = 494;
inline constexpr int kFirstCommandCaption = 499;
inline constexpr int kPaletteTitle = 505;
inline constexpr int kMainListTitle = 506;
inline constexpr int kSensorListTitle = 507;

// Windows.
inline constexpr int kProgramName = 508;  // the main window's title and its message boxes'
inline constexpr int kCodeTitle = 509;
inline constexpr int kClose = 510;
inline constexpr int kCodeErrorLine = 511;  // %1: the line, %2: the tokenizer's message
inline constexpr int kOpenDialogTitle = 512;
inline constexpr int kSaveDialogTitle = 513;
inline constexpr int kKvnFilter = 514;
inline constexpr int kShowCode = 515;
inline constexpr int kDownloadButton = 516;
inline constexpr int kTokenizeFailed = 517;
inline constexpr int kUnknownModel = 518;

// Action-program files. %1: the file, %2: the reason (524 to 529).
inline constexpr int kNotKavrinFile = 519;
inline constexpr int kAdvancedFileInBeginner = 520;
inline constexpr int kWrongFileVersion = 521;  // %1: the file's version, %2: the expected one
inline constexpr int kCannotSaveFile = 522;
inline constexpr int kCannotOpenFile = 523;
inline constexpr int kReasonNoSuchFile = 524;
inline constexpr int kReasonAccessDenied = 525;
inline constexpr int kReasonDiskFull = 526;
inline constexpr int kReasonReadOnly = 527;
inline constexpr int kReasonIsFolder = 528;
inline constexpr int kReasonSystemError = 529;  // %1: the system's error number and its words

// Code generator and program text.
inline constexpr int kAnchorMissing = 530;
inline constexpr int kMainListName = 531;
inline constexpr int kSensorSetAllName = 532;
inline constexpr int kSensorSetName = 533;        // %1: 1 to 4
inline constexpr int kStepOfList = 534;           // %1: the step, %2: the list
inline constexpr int kImpossibleStepCount = 535;  // %1: the list, %2: the count
inline constexpr int kUnknownKind = 536;          // %1: the step, %2: the kind
inline constexpr int kUnknownSensorSet = 537;     // %1: the step, %2: the set
inline constexpr int kGoBackOutside = 538;        // %1: the step, %2: its target, %3: the last
inline constexpr int kJumpTooFar = 539;           // %1: the step, %2: the jump, %3: the limit
inline constexpr int kSourceTooLong = 540;        // %1: the length, %2: the limit
// More reasons a file cannot be read (after 524 to 529).
inline constexpr int kReasonNotRegularFile = 541;  // a FIFO, a device, a socket
inline constexpr int kReasonTooLarge = 542;        // %1: the most bytes the file may have

// Qt's own texts (standard buttons, file dialogs, edit menus), numbered by ui/qt_texts.cpp.
inline constexpr int kFirstQtText = 550;
inline constexpr int kLastQtText = 597;

// Missions in the simulator window. 630 to 639 are the built-in missions' titles and goals, in
// the order of sim::BuiltInMissionNames().
inline constexpr int kMissionLabel = 600;
inline constexpr int kMissionTip = 601;
inline constexpr int kMissionNone = 602;
inline constexpr int kMissionFileItem = 603;
inline constexpr int kMissionDialogTitle = 604;
inline constexpr int kMissionFilter = 605;
inline constexpr int kMissionArenaItem = 606;
inline constexpr int kMissionReach = 607;  // %1: the zone's name
inline constexpr int kMissionStop = 608;   // %1: the zone, %2: seconds
inline constexpr int kMissionNoTouch = 609;
inline constexpr int kMissionLimit = 610;  // %1: seconds
inline constexpr int kMissionWaiting = 611;
inline constexpr int kMissionUnderWay = 612;
inline constexpr int kMissionPassed = 613;     // %1: seconds
inline constexpr int kMissionNotPassed = 614;  // %1: what went wrong
inline constexpr int kMissionTouchedEdge = 615;
inline constexpr int kMissionTouchedWall = 616;
inline constexpr int kMissionTouchedBox = 617;
inline constexpr int kMissionTouchedDisc = 618;
inline constexpr int kMissionTimeUp = 619;
inline constexpr int kMissionProgramEnded = 620;
inline constexpr int kMissionMovedByHand = 621;
inline constexpr int kMissionTryAgain = 622;
inline constexpr int kMissionNoteChosen = 623;   // %1: the mission's title
inline constexpr int kMissionNoteDecided = 624;  // %1: the result
inline constexpr int kMissionMetAt = 625;        // %1: seconds
inline constexpr int kMissionPanelTip = 626;
inline constexpr int kMissionSquareTitle = 630;
inline constexpr int kMissionSquareGoal = 631;
inline constexpr int kMissionBayTitle = 632;
inline constexpr int kMissionBayGoal = 633;
inline constexpr int kMissionRoundBoxTitle = 634;
inline constexpr int kMissionRoundBoxGoal = 635;
inline constexpr int kMissionCorridorTitle = 636;
inline constexpr int kMissionCorridorGoal = 637;
inline constexpr int kMissionMazeTitle = 638;
inline constexpr int kMissionMazeGoal = 639;

// What is wrong in an arena or mission file (sim/arena.h, sim/mission.h), after "FILE:LINE: ".
// %1 is a word of the file in quotes unless said otherwise.
inline constexpr int kFileCannotRead = 640;
inline constexpr int kArenaRobotDoesNotFit = 641;
inline constexpr int kArenaUnknownKeyword = 642;
inline constexpr int kArenaTakesNumbers = 643;  // %1: the keyword, %2: how many, %3: their names
inline constexpr int kArenaNotANumber = 644;
inline constexpr int kArenaBeyond = 645;  // %2: the limit in cm
inline constexpr int kArenaStartTwice = 646;
inline constexpr int kArenaTooManyObjects = 647;  // %1: the limit
inline constexpr int kArenaBoxSize = 648;
inline constexpr int kArenaDiscRadius = 649;
inline constexpr int kArenaTableTwice = 650;
inline constexpr int kArenaTableSize = 651;  // %1: the limit in cm
inline constexpr int kMissionTakesNothing = 652;
inline constexpr int kMissionLimitTakes = 653;
inline constexpr int kMissionLimitTwice = 654;
inline constexpr int kMissionZoneOffTable = 655;
inline constexpr int kMissionUnknownZone = 656;
inline constexpr int kMissionNoTasks = 657;
inline constexpr int kMissionTitleTwice = 658;
inline constexpr int kMissionGoalTwice = 659;
inline constexpr int kMissionZoneTakes = 660;     // %2: the numbers' names
inline constexpr int kMissionTooManyZones = 661;  // %1: the limit
inline constexpr int kMissionZoneTwice = 662;
inline constexpr int kMissionZoneSize = 663;
inline constexpr int kMissionStopTakes = 664;
inline constexpr int kMissionReachTakes = 665;
inline constexpr int kMissionTooManyTasks = 666;  // %1: the limit
inline constexpr int kMissionNotATime = 667;      // %2: the limit in seconds
// The names of the numbers a line takes.
inline constexpr int kOperandsTable = 668;
inline constexpr int kOperandsWall = 669;
inline constexpr int kOperandsBox = 670;  // also a zone's
inline constexpr int kOperandsDisc = 671;
inline constexpr int kOperandsStart = 672;
// The lines of a mission's rules: tiles and steps.
inline constexpr int kMissionTilesTake = 673;    // %1: the keyword, %2: the letters
inline constexpr int kMissionUnknownTile = 674;  // %1: the word, %2: the letters
inline constexpr int kMissionTilesTwice = 675;
inline constexpr int kMissionStepsTakes = 676;  // %1: the keyword
inline constexpr int kMissionStepsRange = 677;  // %1: the word, %2: the most steps
inline constexpr int kMissionStepsTwice = 678;

// The simulator window's robot panel, next step and timeline.
inline constexpr int kSimStepMain = 680;  // %1: step, %2: its kind
inline constexpr int kSimStepSet = 681;   // %1: the set, %2: step, %3: its kind
inline constexpr int kSimStepLeft = 682;  // %1: a step or command, %2: seconds left
inline constexpr int kSimNoStep = 683;
inline constexpr int kSimStepInterrupted = 684;  // %1: the main list's step
inline constexpr int kSimDriveForward = 685;
inline constexpr int kSimDriveStill = 686;
inline constexpr int kSimDriveBack = 687;
inline constexpr int kSimServoValue = 688;  // %1: µs, %2: what it means
inline constexpr int kSimServoRests = 689;
inline constexpr int kSimLeftWhisker = 690;
inline constexpr int kSimRightWhisker = 691;
inline constexpr int kSimWhiskerPressed = 692;
inline constexpr int kSimWhiskerFree = 693;
inline constexpr int kSimLeftIr = 694;
inline constexpr int kSimRightIr = 695;
inline constexpr int kSimIrSees = 696;
inline constexpr int kSimIrClear = 697;
inline constexpr int kSimLeftServo = 698;
inline constexpr int kSimRightServo = 699;
inline constexpr int kSimCommand = 700;
inline constexpr int kSimCommandValue = 701;  // %1: the letter, %2: its kind
inline constexpr int kSimNoCommand = 702;
inline constexpr int kSimRobotPanelTitle = 703;
inline constexpr int kSimRobotPanelTip = 704;
inline constexpr int kSimNextStep = 705;
inline constexpr int kSimNextStepTip = 706;
inline constexpr int kSimTimelineTip = 707;
inline constexpr int kSimStateReplay = 708;       // %1: seconds
inline constexpr int kMissionFailedDuring = 709;  // %1: seconds, %2: the step
inline constexpr int kSimStepMainInText = 710;    // %1: step, %2: its kind
inline constexpr int kMissionVerdictTip = 711;
inline constexpr int kSimOlderProgram = 712;
// The main window while the virtual robot runs the lists: the step number of the step it runs.
inline constexpr int kRunningStepNumber = 720;  // %1: the step number
// What a palette tile does, 721 to 728 in kind order (forward ... go back): the tile's name and
// how the robot moves, for its tooltip, its accessible name and the help area.
inline constexpr int kFirstActionDescription = 721;
inline constexpr int kLastActionDescription = 728;
// At start-up, for a program a Kavrin no longer running left unsaved.
inline constexpr int kRecoverNamedProgram = 740;    // %1: the file's name, %2: when
inline constexpr int kRecoverUnnamedProgram = 741;  // %1: when

// The program sheet (ui/program_sheet.h): the save dialog and the code view's button, then the
// sheet's own lines.
inline constexpr int kSheetDialogTitle = 760;
inline constexpr int kSheetFilter = 761;
inline constexpr int kSheetButton = 762;
inline constexpr int kSheetButtonTip = 763;
inline constexpr int kSheetUntitled = 764;  // also the proposed file name of such a program
inline constexpr int kSheetDate = 765;      // %1: the date
inline constexpr int kSheetMode = 766;      // %1: the mode's name (366, 367)
inline constexpr int kSheetSensorsOn = 767;
inline constexpr int kSheetSensorsOff = 768;
inline constexpr int kSheetCalibration = 769;   // %1: left, %2: right pulse width
inline constexpr int kSheetStep = 770;          // %1: step, %2: kind, %3: seconds
inline constexpr int kSheetGoBack = 771;        // %1: step, %2: kind, %3: target
inline constexpr int kSheetTargetOfOne = 772;   // %1: the go-back step
inline constexpr int kSheetTargetOfMany = 773;  // %1: the go-back steps, with commas
inline constexpr int kSheetNoSteps = 774;
inline constexpr int kSheetColumnsCall = 775;
inline constexpr int kSheetProgramHeading = 776;
inline constexpr int kSheetPage = 777;       // %1: page, %2: pages
inline constexpr int kSheetNoProgram = 778;  // %1: the generator's message
inline constexpr int kSheetContinued = 779;  // %1: the list's name
inline constexpr int kSheetNoViewer = 780;   // %1: the file
inline constexpr int kSheetNotMade = 781;    // a reason for 522
inline constexpr int kLastSheetString = 781;
// More reasons a file could not be opened or written (after 524 to 529).
inline constexpr int kReasonBadName = 785;
inline constexpr int kReasonNameTooLong = 786;
inline constexpr int kReasonNotAFolder = 787;
inline constexpr int kReasonInUse = 788;
inline constexpr int kReasonDiskError = 789;
inline constexpr int kReasonExists = 790;
// The welcome help (430) where serial ports are not called COM ports.
inline constexpr int kHelpWelcomeSerialPort = 791;
// Judging a class in the simulator window (class_results.h).
inline constexpr int kJudgeClassButton = 800;
inline constexpr int kJudgeClassTip = 801;
inline constexpr int kJudgeFolderTitle = 802;
inline constexpr int kJudgeNoPrograms = 803;        // %1: the folder
inline constexpr int kJudgeCannotReadFolder = 804;  // %1: the folder, %2: the reason
inline constexpr int kJudgeTitle = 805;             // %1: the mission's title
inline constexpr int kJudgeRunning = 806;           // %1: runs done, %2: all runs
inline constexpr int kJudgeCancel = 807;
inline constexpr int kJudgeDone = 808;       // %1: rows, %2: passed, %3: not passed, %4: not judged
inline constexpr int kJudgeCancelled = 809;  // %1: runs done, %2: all runs
// The table's columns, 810 to 815: file, mission, result, time, reason, step.
inline constexpr int kJudgeFirstColumn = 810;
inline constexpr int kJudgePassed = 816;
inline constexpr int kJudgeNotPassed = 817;
inline constexpr int kJudgeNotJudged = 818;
inline constexpr int kJudgeStopped = 819;
inline constexpr int kJudgeSaveCsv = 820;
inline constexpr int kJudgeSaveReport = 821;
inline constexpr int kJudgeCsvTitle = 822;
inline constexpr int kJudgeCsvFilter = 823;
inline constexpr int kJudgeReportTitle = 824;
inline constexpr int kJudgeReportFilter = 825;
inline constexpr int kJudgeSaved = 826;  // %1: the file
inline constexpr int kJudgeTableTip = 827;
inline constexpr int kJudgeFolderLabel = 828;
inline constexpr int kJudgeStillToDo = 829;  // %1: what went wrong, %2: the tasks left
inline constexpr int kJudgeRunEnded = 830;
// A mission's rules: the panel's rows, a rule broken, and the help area's note at a drop.
inline constexpr int kMissionOnlyTiles = 831;      // %1: the kinds allowed
inline constexpr int kMissionMostSteps = 832;      // %1: the most steps
inline constexpr int kMissionRuleTile = 833;       // %1: the step, %2: its kind
inline constexpr int kMissionRuleTileInSet = 834;  // %1: the step, %2: the set, %3: its kind
inline constexpr int kMissionRuleSteps = 835;      // %1: the steps, %2: the most allowed
inline constexpr int kMissionRuleFix = 836;
inline constexpr int kHelpMissionForbidsTile = 837;  // %1: the mission's title, %2: the kind

// The keyboard: what the keys do where it is, and why a tile did not go into a list.
inline constexpr int kHelpListKeys = 850;
inline constexpr int kHelpListKeysAdvanced = 851;
inline constexpr int kHelpPaletteKeys = 852;
inline constexpr int kHelpListFull = 853;
inline constexpr int kHelpNoGoBackInSensorSet = 854;
inline constexpr int kLastKeyboardString = 854;
// A typed value refused, with the range it must be in.
inline constexpr int kHelpDurationRange = 855;
inline constexpr int kHelpGoBackRange = 856;

// What a screen reader says (ui/accessibility.h): a list's rows, names, the value arrows.
inline constexpr int kSpokenStep = 860;        // %1: step, %2: steps, %3: kind, %4: seconds
inline constexpr int kSpokenGoBack = 861;      // %1: step, %2: steps, %3: kind, %4: target
inline constexpr int kSpokenSensorSets = 862;  // %1: the step's words, %2..%4: Both, Left, Right
inline constexpr int kSpokenAppendRow = 863;
inline constexpr int kSpokenSensorList = 864;  // %1: the set's tab
inline constexpr int kSpokenHelpArea = 865;
inline constexpr int kSpokenLonger = 866;
inline constexpr int kSpokenShorter = 867;
inline constexpr int kSpokenEarlierStep = 868;
inline constexpr int kSpokenLaterStep = 869;
// The simulator window's terminal, its input line, its table and its timeline.
inline constexpr int kSpokenTerminal = 870;
inline constexpr int kSpokenInput = 871;
inline constexpr int kSpokenArena = 872;
inline constexpr int kSpokenTimeline = 873;
inline constexpr int kLastSpokenString = 873;
}  // namespace kavrin::resources::str
