//+------------------------------------------------------------------+
//| OrvaneFeedBridge: writes this chart's symbol, timeframe, the last |
//| HistoryBars one-minute bars and every tick into OrvaneDriverDLL,  |
//| where OrvaneWinClient and OrvaneRateInfo read them.               |
//| Needs OrvaneDriverDLL.dll (64-bit) in MQL5\Libraries and "Allow   |
//| DLL imports" switched on. One per terminal. See docs/FEED.md.     |
//+------------------------------------------------------------------+
#import "OrvaneDriverDLL.dll"
int openFeedWriterMT5();
int feedWriterRefusalMT5();
int writeSymbolMT5(string symbol);
int writeTimespanMT5(int minutes);
int writeHistoryMT5(string lines);
int writeTickMT5(string line);
int closeFeedWriterMT5();
#import

input int HistoryBars = 2000;

bool     opened = false;    // this EA opened the writer: only then does it close it
bool     writing = false;   // the feed takes this EA's writes
int      timerCount = 0;
bool     useLast = false;   // the symbol's bars are built from Last prices (exchange symbols)
int      historyCount = -1; // bars in the history written last
datetime historyEnd = 0;    // the newest of them
long     lastMsc = 0;       // time_msc of the newest tick written
int      doneAtLast = 0;    // how many ticks of that millisecond are written
datetime barMinute = 0;     // the minute of the running bar
double   barOpen, barHigh, barLow;

// "YYYY/MM/DD hh:mm:ss.mmm"
string Stamp(long msc)
{
   string text = TimeToString((datetime)(msc / 1000), TIME_DATE | TIME_SECONDS);
   StringReplace(text, ".", "/");
   return text + "." + IntegerToString(msc % 1000, 3, '0');
}

string Line(long msc, double open, double high, double low, double close)
{
   return Stamp(msc) + "," + DoubleToString(open, _Digits) + "," + DoubleToString(high, _Digits) + "," +
          DoubleToString(low, _Digits) + "," + DoubleToString(close, _Digits);
}

int OnInit()
{
   // On a symbol or timeframe change the terminal runs OnDeinit and OnInit on this same EA:
   // everything starts again here.
   opened = false;
   writing = false;
   if(openFeedWriterMT5() != 1)
   {
      int reason = feedWriterRefusalMT5();
      if(reason == 1)
         Print("OrvaneFeedBridge: another OrvaneFeedBridge in this terminal writes the feed; this one stops");
      else if(reason == 2)
         Print("OrvaneFeedBridge: another terminal or orvane-feed writes the feed; this one stops");
      else
         Print("OrvaneFeedBridge: the feed cannot be opened; this one stops");
      return INIT_FAILED;
   }
   opened = true;
   StartWriting();
   // OnTick events are dropped while one is queued: the timer catches what they miss.
   EventSetMillisecondTimer(100);
   return INIT_SUCCEEDED;
}

void OnDeinit(const int reason)
{
   EventKillTimer();
   // An EA refused at OnInit comes here too: the writer it would close is another EA's.
   if(opened)
      closeFeedWriterMT5();
   opened = false;
   writing = false;
}

void StartWriting()
{
   writing = true;
   useLast = SymbolInfoInteger(_Symbol, SYMBOL_CHART_MODE) == SYMBOL_CHART_MODE_LAST;
   Written(writeSymbolMT5(_Symbol));
   Written(writeTimespanMT5(PeriodSeconds() / 60));
   historyCount = -1;
   historyEnd = 0;
   WriteHistory();

   // The running bar starts from what the terminal has for this minute, never from the bar of
   // the symbol shown before.
   barMinute = 0;
   MqlRates current[];
   if(CopyRates(_Symbol, PERIOD_M1, 0, 1, current) == 1)
   {
      barMinute = current[0].time;
      barOpen = current[0].open;
      barHigh = current[0].high;
      barLow = current[0].low;
   }
   MqlTick last;
   if(SymbolInfoTick(_Symbol, last))
      lastMsc = last.time_msc;
   else
      lastMsc = (long)TimeCurrent() * 1000;  // never 0: CopyTicks from 0 means the latest ticks
   doneAtLast = 0;
}

// A refused write means this EA no longer holds the feed: said once, then the timer reopens it.
bool Written(int result)
{
   if(result == 1)
      return true;
   if(writing)
      Print("OrvaneFeedBridge: the feed refuses this EA's writes; opening it again");
   writing = false;
   return false;
}

// Completed one-minute bars, oldest first. At terminal start CopyRates may give fewer bars than
// asked for, or -1, while the terminal loads more: written again whenever there are more bars or
// a newer one, so a program started later finds the history complete up to its minute.
void WriteHistory()
{
   MqlRates rates[];
   int count = CopyRates(_Symbol, PERIOD_M1, 1, HistoryBars, rates);
   if(!writing || count <= 0 || (count == historyCount && rates[count - 1].time == historyEnd))
      return;
   string history = "";
   for(int i = 0; i < count; i++)
   {
      if(i > 0)
         history += "\n";
      history += Line((long)rates[i].time * 1000, rates[i].open, rates[i].high, rates[i].low, rates[i].close);
   }
   if(Written(writeHistoryMT5(history)))
   {
      historyCount = count;
      historyEnd = rates[count - 1].time;
   }
}

void OnTick()
{
   if(writing)
      WriteNewTicks();
}

void OnTimer()
{
   timerCount++;
   if(!writing)
   {
      if(timerCount % 10 == 0 && openFeedWriterMT5() == 1)
      {
         opened = true;
         Print("OrvaneFeedBridge: writes the feed again");
         StartWriting();
      }
      return;
   }
   WriteNewTicks();
   if(timerCount % 10 == 0)
      WriteHistory();
}

void WriteNewTicks()
{
   MqlTick ticks[];
   int count = CopyTicks(_Symbol, ticks, COPY_TICKS_ALL, (ulong)lastMsc, 100000);
   int skip = doneAtLast;  // ticks of lastMsc are returned again: skip the ones already counted
   // Only a tick that changed the price the bars are built from adds a line.
   uint changed = useLast ? TICK_FLAG_LAST : TICK_FLAG_BID;
   for(int i = 0; i < count && writing; i++)
   {
      if(ticks[i].time_msc < lastMsc)
         continue;
      if(ticks[i].time_msc == lastMsc && skip > 0)
      {
         skip--;
         continue;
      }
      if(ticks[i].time_msc == lastMsc)
         doneAtLast++;
      else
      {
         lastMsc = ticks[i].time_msc;
         doneAtLast = 1;
      }
      double price = useLast ? ticks[i].last : ticks[i].bid;
      if((ticks[i].flags & changed) == 0 || price <= 0)
         continue;
      datetime minute = (datetime)(ticks[i].time_msc / 60000 * 60);
      if(minute != barMinute)
      {
         barMinute = minute;
         barOpen = price;
         barHigh = price;
         barLow = price;
      }
      barHigh = MathMax(barHigh, price);
      barLow = MathMin(barLow, price);
      Written(writeTickMT5(Line(ticks[i].time_msc, barOpen, barHigh, barLow, price)));
   }
}
//+------------------------------------------------------------------+
