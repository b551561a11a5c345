#!/usr/bin/env python3
# tevrak-teleop's CPU time and wake-ups (all its threads) against tevrak-sim:
# standing still with the keys, with the pad (looked at every 20 ms), and
# driving (a key every 100 ms). Run from the source tree after make build:
#   python3 bench/teleop_idle.py
import os, pty, subprocess, time, select
import tempfile
home=tempfile.mkdtemp(prefix='teleop-bench-')
b=os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'build')
sim=subprocess.Popen([b+'/sim/tevrak-sim','--home',home,'--log',home+'/f.log'],stdout=subprocess.PIPE)
while b'board ready' not in sim.stdout.readline(): pass
def run(args, secs, keys=None):
    pid, fd = pty.fork()
    if pid == 0:
        os.environ['TEVRAK_HOME']=home
        os.execv(b+'/tools/teleop/tevrak-teleop', [ 'tevrak-teleop']+args)
    out=b''
    end=time.time()+1.0
    while time.time()<end:
        r,_,_=select.select([fd],[],[],0.05)
        if r: out+=os.read(fd,4096)
    def stat():
        s=open(f'/proc/{pid}/stat').read().split(')')[1].split()
        ticks=int(s[11])+int(s[12])
        cs=0
        for t in os.listdir(f'/proc/{pid}/task'):
            for line in open(f'/proc/{pid}/task/{t}/status'):
                if line.startswith('voluntary_ctxt_switches') or line.startswith('nonvoluntary'): cs+=int(line.split()[1])
        return ticks, cs
    t0,c0=stat(); start=time.time()
    end=start+secs
    while time.time()<end:
        if keys: os.write(fd, keys)
        r,_,_=select.select([fd],[],[],0.1 if keys else 0.5)
        if r: out+=os.read(fd,4096)
    t1,c1=stat(); el=time.time()-start
    os.write(fd,b'q'); os.waitpid(pid,0)
    hz=os.sysconf('SC_CLK_TCK')
    print(f"{' '.join(args) or 'keys'} {'moving' if keys else 'idle'}: {100*(t1-t0)/hz/el:.1f}% of a core, {(c1-c0)/el:.0f} wake-ups/s")
run([],5)
run(['--input','pad'],5)
run([],5,keys=b'w')
sim.terminate()
