#pragma once

class AccountStore;
class ActivityStore;
class CrashStore;
class FeedbackStore;
class Misbehaviour;
class RequestStats;
class WaitBoard;
struct ServerOptions;

// What the routes share; everything here is safe to use from the server's worker threads.
struct ServerContext {
    const ServerOptions& options;
    AccountStore& accounts;
    ActivityStore& activities;
    FeedbackStore& feedback;
    Misbehaviour& misbehaviour;
    WaitBoard& board;
    RequestStats& stats;
    CrashStore& crashes;
};
