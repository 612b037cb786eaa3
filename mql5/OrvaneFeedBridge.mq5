//+------------------------------------------------------------------+
//| OrvaneFeedBridge: writes this chart's symbol, timeframe, the last |
//| 2000 one-minute bars and every tick into OrvaneDriverDLL, where   |
//| OrvaneWinClient and OrvaneRateInfo read them.                     |
//| Needs OrvaneDriverDLL.dll (64-bit) in MQL5\Libraries and "Allow   |
//| DLL imports" switched on. See docs/FEED.md.                       |
//+------------------------------------------------------------------+
#import "OrvaneDriverDLL.dll"
int openFeedWriterMT5();
int writeSymbolMT5(string symbol);
int writeTimespanMT5(int minutes);
int writeHistoryMT5(string lines);
int writeTickMT5(string line);
int closeFeedWriterMT5();
#import

input int HistoryBars = 2000;

long     lastMsc = 0;      // time_msc of the newest tick written
int      doneAtLast = 0;   // how many ticks of that millisecond are written
datetime barMinute = 0;    // the minute of the running bar
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
   if(openFeedWriterMT5() != 1)
   {
      Print("OrvaneFeedBridge: another feed writer is running");
      return INIT_FAILED;
   }
   writeSymbolMT5(_Symbol);
   writeTimespanMT5(PeriodSeconds() / 60);

   // Completed one-minute bars, oldest first, one line each.
   MqlRates rates[];
   int count = CopyRates(_Symbol, PERIOD_M1, 1, HistoryBars, rates);
   string history = "";
   for(int i = 0; i < count; i++)
   {
      if(i > 0)
         history += "\n";
      history += Line((long)rates[i].time * 1000, rates[i].open, rates[i].high, rates[i].low, rates[i].close);
   }
   writeHistoryMT5(history);

   // The running bar starts from what the terminal already has for this minute.
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

   // OnTick events are dropped while one is queued: the timer catches what they miss.
   EventSetMillisecondTimer(100);
   return INIT_SUCCEEDED;
}

void OnDeinit(const int reason)
{
   EventKillTimer();
   closeFeedWriterMT5();
}

void OnTick()  { WriteNewTicks(); }
void OnTimer() { WriteNewTicks(); }

void WriteNewTicks()
{
   MqlTick ticks[];
   int count = CopyTicks(_Symbol, ticks, COPY_TICKS_ALL, (ulong)lastMsc, 100000);
   int skip = doneAtLast;  // ticks of lastMsc are returned again: skip the ones already written
   for(int i = 0; i < count; i++)
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
      double price = ticks[i].bid;
      if(price <= 0)
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
      writeTickMT5(Line(ticks[i].time_msc, barOpen, barHigh, barLow, price));
   }
}
//+------------------------------------------------------------------+
